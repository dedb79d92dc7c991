#include "app/BatchCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <iomanip>
#include <mutex>
#include <optional>
#include <set>
#include <string_view>
#include <ostream>
#include <sstream>
#include <thread>

#include "app/CommandLine.h"
#include "app/FileOptimizer.h"
#include "app/GifSearch.h"
#include "app/MemoryBudget.h"

namespace lumvane {
namespace {

struct TBatchOptions {
  bool Recursive = false;
  bool Json = false;
  bool Thorough = false;
  unsigned Jobs = std::max(1u, std::thread::hardware_concurrency());
  std::vector<std::string> Paths;
};

// Parses the arguments; an error text when they make no sense.
std::string ParseOptions(const std::vector<std::string>& args, TBatchOptions& options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string jobs;
    if (arg == "-r") {
      options.Recursive = true;
    } else if (arg == "--json") {
      options.Json = true;
    } else if (arg == "--thorough") {
      options.Thorough = true;
    } else if (arg == "--jobs" || arg.starts_with("--jobs=")) {
      if (arg == "--jobs") {
        if (++i == args.size()) return "--jobs needs a number";
        jobs = args[i];
      } else {
        jobs = arg.substr(7);
      }
      if (jobs.empty() || jobs.size() > 4 || !std::all_of(jobs.begin(), jobs.end(), ::isdigit) || std::stoi(jobs) < 1)
        return "--jobs needs a number from 1 to 9999";
      options.Jobs = static_cast<unsigned>(std::stoi(jobs));
    } else if (arg.starts_with("-") && arg != "-") {
      return "unknown option " + arg;
    } else {
      options.Paths.push_back(arg);
    }
  }
  return options.Paths.empty() ? "no file or folder given" : "";
}

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

void PrintJson(std::ostream& out, const std::string& path, const TFileOutcome& outcome) {
  // A name that is not UTF-8 shows with U+FFFD in "file" and comes whole in "file_bytes".
  out << "{\"file\": " << JsonString(path);
  if (!IsUtf8(path)) out << ", \"file_bytes\": \"" << HexBytes(path) << '"';
  out << ", \"original_size\": ";
  if (outcome.OriginalSize >= 0)
    out << outcome.OriginalSize;
  else
    out << "null";
  out << ", \"optimized_size\": ";
  if (outcome.OptimizedSize >= 0)
    out << outcome.OptimizedSize;
  else
    out << "null";
  out << ", \"reduction\": " << (outcome.Reduction.empty() ? "null" : JsonString(outcome.Reduction))
      << ", \"saved\": " << outcome.Saved << ", \"written\": " << (outcome.Written ? "true" : "false")
      << ", \"failed\": " << (outcome.Failed ? "true" : "false")
      << ", \"message\": " << (outcome.Message.empty() ? "null" : JsonString(outcome.Message)) << "}\n";
}

// The table of the window's file list: name, "Original Size", "Optimized Size", "Reduction".
class TTable {
public:
  TTable(std::ostream& out, std::size_t nameWidth) : out_(out), nameWidth_(std::max<std::size_t>(nameWidth, 4)) {}
  void Header() {
    out_ << std::left << std::setw(static_cast<int>(nameWidth_)) << "File" << std::right << "  " << std::setw(13)
         << "Original Size" << "  " << std::setw(14) << "Optimized Size" << "  " << "Reduction\n";
  }
  void Row(const std::string& path, const TFileOutcome& outcome) {
    out_ << std::left << std::setw(static_cast<int>(nameWidth_)) << path << std::right << "  " << std::setw(13)
         << (outcome.OriginalSize >= 0 ? std::to_string(outcome.OriginalSize) : "") << "  ";
    if (outcome.OptimizedSize >= 0)
      out_ << std::setw(14) << outcome.OptimizedSize << "  " << std::setw(9) << outcome.Reduction << "\n";
    else
      out_ << outcome.Message << "\n";
  }

private:
  std::ostream& out_;
  std::size_t nameWidth_;
};

// A progress bar on standard error, redrawn in place, only on a terminal.
class TProgressBar {
public:
  TProgressBar(std::ostream& err, std::size_t total) : err_(err), total_(total), shown_(::isatty(STDERR_FILENO)) {}
  void Update(std::size_t done) {
    if (!shown_) return;
    const std::size_t width = 30, filled = total_ ? done * width / total_ : width;
    err_ << "\r[" << std::string(filled, '#') << std::string(width - filled, '.') << "] " << done << "/" << total_
         << std::flush;
  }
  void Finish() {
    if (shown_) err_ << "\r" << std::string(50, ' ') << "\r" << std::flush;
  }

private:
  std::ostream& err_;
  std::size_t total_;
  bool shown_;
};

// The files to process, in order, each once however it was reached (a link beside its
// target, a folder or path named twice): judged by device and inode. A path that names
// nothing stays, to fail in its row.
std::vector<std::string> CollectFiles(const TBatchOptions& options) {
  std::vector<std::string> files;
  std::set<std::pair<dev_t, ino_t>> seen;
  const auto add = [&](const std::string& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0 || seen.emplace(info.st_dev, info.st_ino).second) files.push_back(file);
  };
  for (const std::string& path : options.Paths) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
      for (const std::string& found : FindGifFiles(path, options.Recursive)) add(found);
    } else {
      add(path);
    }
  }
  return files;
}

// Results in list order, filled by the workers, taken in order by the printer.
struct TResults {
  std::mutex Lock;
  std::condition_variable Ready;
  std::vector<std::optional<TFileOutcome>> Outcomes;
  std::atomic<std::size_t> Next{0};
};

// A file that cannot be read or written fails in its row; the run goes on.
void Work(TResults& results, const std::vector<std::string>& files, bool writeBack, bool thorough) {
  TFileOptimizer optimizer(thorough);
  for (;;) {
    const std::size_t index = results.Next++;
    if (index >= files.size()) return;
    TFileOutcome outcome;
    try {
      // Memory budget: waits while the files of the other workers leave no room for this one.
      const TMemoryBudget::TClaim memory = ProcessMemoryBudget().Claim(EstimatedPeakBytes(files[index]));
      outcome = optimizer.Process(files[index], writeBack);
    } catch (const std::exception& error) {
      struct stat info {};
      outcome = TFileOutcome{};
      outcome.OriginalSize = ::stat(files[index].c_str(), &info) == 0 && S_ISREG(info.st_mode) ? info.st_size : -1;
      outcome.Message = error.what();
      outcome.Failed = true;
    }
    std::lock_guard lock(results.Lock);
    results.Outcomes[index] = std::move(outcome);
    results.Ready.notify_all();
  }
}

}  // namespace

int RunBatchCommand(bool writeBack, const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  TBatchOptions options;
  if (const std::string problem = ParseOptions(args, options); !problem.empty()) {
    err << "lumvane: " << problem << "\n";
    PrintUsage(err);
    return kExitUsage;
  }
  const std::vector<std::string> files = CollectFiles(options);

  TResults results;
  results.Outcomes.resize(files.size());
  std::vector<std::thread> workers;
  const std::size_t jobs = std::min<std::size_t>(options.Jobs, std::max<std::size_t>(files.size(), 1));
  for (std::size_t i = 0; i < jobs; ++i) workers.emplace_back(Work, std::ref(results), std::cref(files), writeBack, options.Thorough);

  std::size_t nameWidth = 0;
  for (const std::string& file : files) nameWidth = std::max(nameWidth, file.size());
  TTable table(out, nameWidth);
  if (!options.Json) table.Header();
  TProgressBar bar(err, files.size());
  std::int64_t savedTotal = 0;
  int status = kExitSuccess;
  for (std::size_t i = 0; i < files.size(); ++i) {
    bar.Update(i);
    std::unique_lock lock(results.Lock);
    results.Ready.wait(lock, [&] { return results.Outcomes[i].has_value(); });
    const TFileOutcome outcome = *results.Outcomes[i];
    lock.unlock();
    if (outcome.Failed) status = kExitFileFailed;
    savedTotal += outcome.Saved;
    bar.Finish();
    if (options.Json)
      PrintJson(out, files[i], outcome);
    else
      table.Row(files[i], outcome);
    out.flush();
  }
  for (std::thread& worker : workers) worker.join();
  bar.Finish();
  if (!options.Json) out << SavedBytesText(savedTotal) << "\n";
  return status;
}

}  // namespace lumvane
