#include "app/InfoCommand.h"

#include <cctype>
#include <cstdio>
#include <ostream>

#include "app/CommandLine.h"
#include "gif/GIFApplicationExtensions.h"
#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFImage.h"
#include "gif/GIFTextExtensions.h"
#include "gif/GIFUnknownExtension.h"

namespace lumvane {
namespace {

std::string IdentityText(const TGIFApplicationExtension& extension) {
  std::string text;
  for (int i = 0; i < extension.BlockSize; ++i) {
    const auto c = static_cast<unsigned char>(extension.Identity[i]);
    text += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '.';
  }
  return text;
}

// The three version bytes after "GIF", also behind the four-byte prefix reading accepts.
std::string SignatureVersion(const std::vector<std::uint8_t>& bytes) {
  const auto isSignature = [&](std::size_t at) {
    return bytes.size() >= at + 6 && std::toupper(bytes[at]) == 'G' && std::toupper(bytes[at + 1]) == 'I' &&
           std::toupper(bytes[at + 2]) == 'F';
  };
  const std::size_t at = isSignature(0) ? 0 : 4;
  return bytes.size() >= at + 6 ? std::string(bytes.begin() + at + 3, bytes.begin() + at + 6) : "";
}

std::string Quoted(const std::string& line) {
  std::string text = "\"";
  for (unsigned char c : line) text += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
  return text + "\"";
}

// "2 block(s) of 255, 12 bytes"
std::string BlocksText(const std::vector<TGIFBlock>& blocks) {
  std::string text = std::to_string(blocks.size()) + " block(s)", sizes;
  for (const TGIFBlock& block : blocks) sizes += (sizes.empty() ? "" : ", ") + std::to_string(block.Size());
  return sizes.empty() ? text : text + " of " + sizes + " bytes";
}

void DescribeExtension(const TGIFExtension& extension, std::ostream& out) {
  if (const auto* control = dynamic_cast<const TGIFGraphicControlExtension*>(&extension)) {
    out << "    graphic control: ";
    if (control->Transparent())
      out << "transparent index " << int{control->TransparentIndex()};
    else
      out << "not transparent";
    out << ", disposal " << int{control->Disposal()} << ", delay " << control->Delay()
        << ", user input " << (control->UserInput() ? "yes" : "no") << "\n";
  } else if (const auto* comment = dynamic_cast<const TGIFCommentExtension*>(&extension)) {
    out << "    comment, " << comment->Lines.size() << " line(s)\n";
    for (const std::string& line : comment->Lines) out << "      " << Quoted(line) << "\n";
  } else if (const auto* text = dynamic_cast<const TGIFTextExtension*>(&extension)) {
    out << "    plain text: grid " << text->GridLeft() << "," << text->GridTop() << " "
        << text->GridWidth() << " x " << text->GridHeight() << ", cell "
        << int{text->CharCellWidth()} << " x " << int{text->CharCellHeight()} << ", colors "
        << int{text->ForegroundIndex()} << " on " << int{text->BackgroundIndex()} << ", "
        << text->Lines.size() << " line(s)\n";
    for (const std::string& line : text->Lines) out << "      " << Quoted(line) << "\n";
  } else if (const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(&extension)) {
    out << "    looping (" << IdentityText(*loop) << "): loop count " << loop->LoopCount;
    if (loop->LoopCount == 0) out << " (forever)";
    if (loop->BufferBytes != 0) out << ", buffer size " << loop->BufferBytes;
    out << "\n";
  } else if (const auto* application = dynamic_cast<const TGIFUnknownAppExtension*>(&extension)) {
    out << "    application " << Quoted(IdentityText(*application)) << ": " << BlocksText(application->RawBlocks)
        << "\n";
  } else if (const auto* unknown = dynamic_cast<const TGIFUnknownExtension*>(&extension)) {
    char label[8];
    std::snprintf(label, sizeof label, "0x%02X", unsigned{unknown->Label});
    out << "    unknown extension " << label << ": " << BlocksText(unknown->RawBlocks) << "\n";
  }
}

void DescribeFrame(int index, TGIFSubImage& frame, std::ostream& out) {
  out << "  frame " << index << ": ";
  if (frame.IsEmpty()) {
    out << "no image\n";
  } else {
    out << "at " << frame.FrameLeft() << "," << frame.FrameTop() << ", " << frame.FrameWidth()
        << " x " << frame.FrameHeight() << ", " << (frame.IsInterlaced() ? "interlaced" : "not interlaced")
        << ", local color table ";
    if (frame.LocalColorMap().Count() > 0)
      out << frame.LocalColorMap().Count() << " colors\n";
    else
      out << "none\n";
  }
  for (const auto& extension : frame.Extensions()) DescribeExtension(*extension, out);
}

}  // namespace

void DescribeDocument(TGIFImage& image, std::ostream& out) {
  const TGIFHeader& header = image.Header;
  const int globalColors = header.GlobalColorMap().Count();
  out << "  logical screen " << header.LogicalScreenWidth() << " x " << header.LogicalScreenHeight()
      << ", global color table ";
  if (globalColors > 0)
    out << globalColors << " colors";
  else
    out << "none";
  out << ", background index " << int{header.BackgroundIndex()} << ", aspect ratio "
      << int{header.PixelAspectRatio()} << "\n";
  out << "  " << image.Frames.Count() << " frame(s)\n";
  for (int i = 0; i < image.Frames.Count(); ++i) DescribeFrame(i, image.Frames[i], out);
}

int RunInfoCommand(const std::vector<std::string>& paths, std::ostream& out) {
  int status = kExitSuccess;
  for (const std::string& path : paths) {
    out << path << "\n";
    TGIFImage image;
    std::vector<std::string> warnings;
    image.WarningHandler = [&](const TPersistent* sender, int, const std::string& message) {
      // Name the frame that was being read; the frame list and trailer speak between frames.
      const bool between = sender == &image.Frames || dynamic_cast<const TGIFTrailer*>(sender);
      const int frame = image.Frames.Count() - (between ? 1 : 0);
      std::string where = frame < 0 ? "header" : "frame " + std::to_string(frame);
      if (between && frame >= 0) where = "after " + where;
      warnings.push_back(message + " (" + where + ")");
    };
    std::string version;
    try {
      TMemoryStream stream;
      stream.LoadFromFile(path);
      version = SignatureVersion(stream.Bytes());
      image.LoadFromStream(stream);
      out << "  version " << Quoted(version) << "\n";
      DescribeDocument(image, out);
      for (const std::string& warning : warnings) out << "  warning: " << warning << "\n";
    } catch (const std::exception& error) {
      for (const std::string& warning : warnings) out << "  warning: " << warning << "\n";
      out << "  error: " << error.what() << "\n";
      status = kExitFileFailed;
    }
  }
  return status;
}

}  // namespace lumvane
