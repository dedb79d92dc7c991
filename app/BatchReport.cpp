#include "app/BatchReport.h"

#include <unistd.h>

#include <algorithm>
#include <iomanip>
#include <ostream>
#include <sstream>
#include <string_view>

namespace lumvane {
namespace {

// Length of the UTF-8 sequence at the start of text, or 0 when it is not one (overlong,
// surrogate, beyond U+10FFFF, or cut short).
std::size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  const std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                           : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
  if (length == 0 || length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i)
    if ((byte(i) & 0xC0) != 0x80) return 0;
  if ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) >= 0xA0) || (lead == 0xF0 && byte(1) < 0x90) ||
      (lead == 0xF4 && byte(1) >= 0x90))
    return 0;
  return length;
}

bool IsUtf8(std::string_view text) {
  for (std::size_t at = 0, length; at < text.size(); at += length)
    if ((length = Utf8SequenceLength(text.substr(at))) == 0) return false;
  return true;
}

// A JSON string of the text; bytes that are not UTF-8 become U+FFFD.
std::string JsonString(std::string_view text) {
  std::ostringstream out;
  out << '"';
  for (std::size_t at = 0; at < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[at]);
    const std::size_t length = Utf8SequenceLength(text.substr(at));
    if (length == 0)
      out << "\\ufffd";
    else if (c == '"' || c == '\\')
      out << '\\' << c;
    else if (c < 0x20)
      out << "\\u" << std::hex << std::setw(4) << std::setfill('0') << int{c} << std::dec;
    else
      out << text.substr(at, length);
    at += std::max<std::size_t>(length, 1);
  }
  out << '"';
  return out.str();
}

// The bytes of a name as hexadecimal digits, for names JSON cannot carry as they are.
std::string HexBytes(std::string_view bytes) {
  std::ostringstream out;
  out << std::hex << std::setfill('0');
  for (const unsigned char c : bytes) out << std::setw(2) << int{c};
  return out.str();
}

// A JSON number, or null for a size that is not known (-1).
std::string JsonSize(std::int64_t size) { return size >= 0 ? std::to_string(size) : "null"; }

}  // namespace

void TRunTotals::Add(const TFileOutcome& outcome) {
  ++Files;
  if (outcome.Failed) ++Failed;
  Saved += outcome.Saved;
  if (outcome.OriginalSize < 0) return;  // not read
  BytesIn += outcome.OriginalSize;
  BytesOut += outcome.OriginalSize - outcome.Saved;
}

TRunReport::TRunReport(TStyle style, std::size_t nameWidth, std::ostream& out, std::ostream& err)
    : style_(style), nameWidth_(std::max<std::size_t>(nameWidth, 4)), out_(out), err_(err) {
  // The table of the window's file list: name, "Original Size", "Optimized Size", "Reduction".
  if (style_ == TStyle::Table)
    out_ << std::left << std::setw(static_cast<int>(nameWidth_)) << "File" << std::right << "  " << std::setw(13)
         << "Original Size" << "  " << std::setw(14) << "Optimized Size" << "  " << "Reduction\n";
}

void TRunReport::Row(const std::string& path, const TFileOutcome& outcome) {
  switch (style_) {
    case TStyle::Table:
      out_ << std::left << std::setw(static_cast<int>(nameWidth_)) << path << std::right << "  " << std::setw(13)
           << (outcome.OriginalSize >= 0 ? std::to_string(outcome.OriginalSize) : "") << "  ";
      if (outcome.OptimizedSize >= 0)
        out_ << std::setw(14) << outcome.OptimizedSize << "  " << std::setw(9) << outcome.Reduction << "\n";
      else
        out_ << outcome.Message << "\n";
      break;
    case TStyle::Json:
      // A name that is not UTF-8 shows with U+FFFD in "file" and comes whole in "file_bytes".
      out_ << "{\"file\": " << JsonString(path);
      if (!IsUtf8(path)) out_ << ", \"file_bytes\": \"" << HexBytes(path) << '"';
      out_ << ", \"original_size\": " << JsonSize(outcome.OriginalSize)
           << ", \"optimized_size\": " << JsonSize(outcome.OptimizedSize)
           << ", \"reduction\": " << (outcome.Reduction.empty() ? "null" : JsonString(outcome.Reduction))
           << ", \"saved\": " << outcome.Saved << ", \"written\": " << (outcome.Written ? "true" : "false")
           << ", \"failed\": " << (outcome.Failed ? "true" : "false")
           << ", \"message\": " << (outcome.Message.empty() ? "null" : JsonString(outcome.Message)) << "}\n";
      break;
    case TStyle::Quiet:
      if (outcome.Failed) err_ << path << ": " << outcome.Message << "\n";
      break;
  }
  out_.flush();
}

void TRunReport::Total(const TRunTotals& totals) {
  if (style_ == TStyle::Json)
    out_ << "{\"summary\": {\"files\": " << totals.Files << ", \"failed\": " << totals.Failed
         << ", \"bytes_in\": " << totals.BytesIn << ", \"bytes_out\": " << totals.BytesOut
         << ", \"saved\": " << totals.Saved << "}}\n";
  else
    out_ << SavedBytesText(totals.Saved) << "\n";
}

TProgressBar::TProgressBar(std::ostream& err, std::size_t total)
    : err_(err), total_(total), shown_(::isatty(STDERR_FILENO)) {}

void TProgressBar::Update(std::size_t done) {
  if (!shown_) return;
  const std::size_t width = 30, filled = total_ ? done * width / total_ : width;
  err_ << "\r[" << std::string(filled, '#') << std::string(width - filled, '.') << "] " << done << "/" << total_
       << std::flush;
}

void TProgressBar::Finish() {
  if (shown_) err_ << "\r" << std::string(50, ' ') << "\r" << std::flush;
}

}  // namespace lumvane
