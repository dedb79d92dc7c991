#include "app/BatchCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <iomanip>
#include <mutex>
#include <optional>
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

std::string JsonString(const std::string& text) {
  std::ostringstream out;
  out << '"';
  for (unsigned char c : text) {
    if (c == '"' || c == '\\')
      out << '\\' << c;
    else if (c < 0x20)
      out << "\\u" << std::hex << std::setw(4) << std::setfill('0') << int{c} << std::dec;
    else
      out << c;
  }
  out << '"';
  return out.str();
}

void PrintJson(std::ostream& out, const std::string& path, const TFileOutcome& outcome) {
  out << "{\"file\": " << JsonString(path) << ", \"original_size\": " << outcome.OriginalSize
      << ", \"optimized_size\": ";
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
         << outcome.OriginalSize << "  ";
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

// The files to process, in order; an error text for a path that is neither.
std::string CollectFiles(const TBatchOptions& options, std::vector<std::string>& files) {
  for (const std::string& path : options.Paths) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return "no such file or folder: " + path;
    if (S_ISDIR(info.st_mode)) {
      const std::vector<std::string> found = FindGifFiles(path, options.Recursive);
      files.insert(files.end(), found.begin(), found.end());
    } else {
      files.push_back(path);
    }
  }
  return "";
}

// Results in list order, filled by the workers, taken in order by the printer.
struct TResults {
  std::mutex Lock;
  std::condition_variable Ready;
  std::vector<std::optional<TFileOutcome>> Outcomes;
  std::vector<std::string> RunErrors;  // a read or write error of the file itself
  std::atomic<std::size_t> Next{0};
  std::atomic<bool> Stop{false};
};

void Work(TResults& results, const std::vector<std::string>& files, bool writeBack, bool thorough) {
  TFileOptimizer optimizer(thorough);
  for (;;) {
    const std::size_t index = results.Next++;
    if (index >= files.size()) return;
    std::optional<TFileOutcome> outcome;
    std::string runError;
    if (!results.Stop) {
      try {
        // Memory budget: waits while the files of the other workers leave no room for this one.
        const TMemoryBudget::TClaim memory = ProcessMemoryBudget().Claim(EstimatedPeakBytes(files[index]));
        outcome = optimizer.Process(files[index], writeBack);
      } catch (const std::exception& error) {
        runError = error.what();
        results.Stop = true;
      }
    }
    std::lock_guard lock(results.Lock);
    results.Outcomes[index] = outcome ? std::move(outcome) : TFileOutcome{};
    results.RunErrors[index] = runError.empty() && !outcome ? "not processed" : runError;
    results.Ready.notify_all();
  }
}

}  // namespace

int RunBatchCommand(bool writeBack, const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  TBatchOptions options;
  std::vector<std::string> files;
  std::string problem = ParseOptions(args, options);
  if (problem.empty()) problem = CollectFiles(options, files);
  if (!problem.empty()) {
    err << "lumvane: " << problem << "\n";
    PrintUsage(err);
    return kExitUsage;
  }

  TResults results;
  results.Outcomes.resize(files.size());
  results.RunErrors.resize(files.size());
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
  std::string runError;
  for (std::size_t i = 0; i < files.size(); ++i) {
    bar.Update(i);
    std::unique_lock lock(results.Lock);
    results.Ready.wait(lock, [&] { return results.Outcomes[i].has_value(); });
    const TFileOutcome outcome = *results.Outcomes[i];
    const std::string error = results.RunErrors[i];
    lock.unlock();
    if (!error.empty()) {
      // Reading or writing the file itself failed: the run ends here.
      if (runError.empty() && error != "not processed") runError = files[i] + ": " + error;
      continue;
    }
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
  if (!runError.empty()) {
    err << "lumvane: " << runError << "\n";
    status = kExitFileFailed;
  }
  return status;
}

}  // namespace lumvane
