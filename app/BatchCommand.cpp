#include "app/BatchCommand.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <iterator>
#include <mutex>
#include <optional>
#include <ostream>
#include <set>
#include <thread>

#include "app/BatchOptions.h"
#include "app/BatchReport.h"
#include "app/CommandLine.h"
#include "app/FileOptimizer.h"
#include "app/FileWriting.h"
#include "app/GifSearch.h"
#include "app/MemoryBudget.h"
#include "app/WriteQueue.h"
#include "base/Buffers.h"

namespace lumvane {
namespace {

// Writes in flight at once: they wait for the disk, not for a core.
constexpr int kWriters = 8;

// A file of the run, and the name its result takes in the output folder: the bare name of
// a file given, the path below the folder for a file found in a folder.
struct TBatchFile {
  std::string Path;
  std::string OutputName;
  bool OutputTaken = false;  // an earlier file of the run has the same output name
};

// The files to process, in order, each once however it was reached (a link beside its
// target, a folder or path named twice): judged by device and inode. A path that names
// nothing stays, to fail in its row.
std::vector<TBatchFile> CollectFiles(const TBatchOptions& options) {
  std::vector<TBatchFile> files;
  std::set<std::pair<dev_t, ino_t>> seen;
  std::set<std::string> outputNames;
  const auto add = [&](const std::string& file, std::string outputName) {
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0 && !seen.emplace(info.st_dev, info.st_ino).second) return;
    const bool taken = !outputNames.insert(outputName).second;
    files.push_back({file, std::move(outputName), taken});
  };
  for (const std::string& path : options.Paths) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
      const std::filesystem::path folder(path);
      for (const std::string& found : FindGifFiles(path, options.Recursive))
        add(found, std::filesystem::path(found).lexically_relative(folder).string());
    } else {
      add(path, std::filesystem::path(path).filename().string());
    }
  }
  return files;
}

// Results in list order, filled by the workers and the writers. Whoever fills the row the
// report waits for prints it and every ready row after it: no thread wakes per file just to
// print, and the main thread sleeps until the last row is out.
struct TResults {
  TResults(const std::vector<TBatchFile>& files, TRunReport& report, TProgressBar& bar)
      : Files(files), Outcomes(files.size()), Report(report), Bar(bar) {}
  const std::vector<TBatchFile>& Files;
  std::mutex Lock;
  std::condition_variable AllPrinted;
  std::vector<std::optional<TFileOutcome>> Outcomes;
  std::size_t Printed = 0;
  TRunReport& Report;
  TProgressBar& Bar;
  TRunTotals Totals;
  std::atomic<std::size_t> Next{0};
};

// Writes what the file has after the run into the output folder: the result, or a copy of
// the file when nothing was gained or it was kept.
void WriteToOutput(const TBatchFile& file, const std::string& folder, const std::vector<std::uint8_t>& bytes,
                   TFolderSyncs& folders) {
  const std::filesystem::path target = std::filesystem::path(folder) / file.OutputName;
  if (file.OutputTaken)
    throw WriteError(target.string(), "Another file of the run has its name");
  const auto source = IdentityOf(file.Path), existing = IdentityOf(target);
  if (source && existing && source->Device == existing->Device && source->Inode == existing->Inode)
    throw WriteError(target.string(), "It is the file itself");
  std::filesystem::create_directories(target.parent_path());
  WriteFileReplacing(target.string(), bytes, {}, &folders);
}

void Post(TResults& results, std::size_t index, TFileOutcome outcome) {
  std::lock_guard lock(results.Lock);
  results.Outcomes[index] = std::move(outcome);
  const std::size_t before = results.Printed;
  for (; results.Printed < results.Outcomes.size() && results.Outcomes[results.Printed]; ++results.Printed) {
    const TFileOutcome& ready = *results.Outcomes[results.Printed];
    results.Totals.Add(ready);
    results.Bar.Finish();
    results.Report.Row(results.Files[results.Printed].Path, ready);
  }
  if (results.Printed == before) return;
  results.Bar.Update(results.Printed);
  if (results.Printed == results.Outcomes.size()) results.AllPrinted.notify_all();
}

// The row of a file that could not be read or written.
TFileOutcome FailedRow(const std::string& path, const std::exception& error) {
  struct stat info {};
  TFileOutcome outcome;
  outcome.OriginalSize = ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? info.st_size : -1;
  outcome.Message = error.what();
  outcome.Failed = true;
  return outcome;
}

// Writes the result of a file back (or into the output folder) and completes its row; the
// folder's sync is left to folders.
TFileOutcome Complete(const TBatchFile& file, const TBatchOptions& options, TFileOutcome outcome,
                      const TPendingWrite& write, TFolderSyncs& folders) {
  try {
    if (options.Output.empty()) return WriteBack(std::move(outcome), write, &folders);
    WriteToOutput(file, options.Output, write.Bytes, folders);
    outcome.Written = true;
    return outcome;
  } catch (const std::exception& error) {
    return FailedRow(file.Path, error);
  }
}

// Where results are written: the queue that writes them and the folders it wrote in.
struct TWriting {
  TWriteQueue Queue{kWriters};
  TFolderSyncs Folders;
};

// A file that cannot be read or written fails in its row; the run goes on. Results to
// write go to writing's queue, which completes their rows.
void Work(TResults& results, TWriting* writing, const TBatchOptions& options) {
  const std::vector<TBatchFile>& files = results.Files;
  TFileOptimizer optimizer(options.Thorough, &ProcessMemoryBudget());
  for (;;) {
    const std::size_t index = results.Next++;
    if (index >= files.size()) return;
    const TBatchFile& file = files[index];
    try {
      if (!writing) {
        Post(results, index, optimizer.Process(file.Path, false));
        continue;
      }
      TPendingWrite write;
      TFileOutcome outcome = optimizer.Process(file.Path, write);
      if (outcome.Saved == 0 && options.Output.empty()) {
        Post(results, index, std::move(outcome));
        continue;
      }
      const auto bytes = static_cast<std::int64_t>(write.Bytes.size());
      writing->Queue.Add(
          [&results, &file, &options, writing, index, outcome = std::move(outcome), write = std::move(write)]() mutable {
            Post(results, index, Complete(file, options, std::move(outcome), write, writing->Folders));
          },
          bytes);
    } catch (const std::exception& error) {
      Post(results, index, FailedRow(file.Path, error));
    }
  }
}

TRunReport::TStyle ReportStyle(const TBatchOptions& options) {
  return options.Json ? TRunReport::TStyle::Json : options.Quiet ? TRunReport::TStyle::Quiet : TRunReport::TStyle::Table;
}

// "-" as the only path: the GIF comes on standard input. Optimize sends the smaller of the
// result and the input (a file that fails: the input) to standard output and the report to
// standard error; test only reports.
int RunOnStandardInput(bool writeBack, const TBatchOptions& options, std::istream& in, std::ostream& out,
                       std::ostream& err) {
  const std::string input{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  TFileOptimizer optimizer(options.Thorough);
  const TFileOutcome outcome = optimizer.Process(std::vector<std::uint8_t>(input.begin(), input.end()));
  if (writeBack) {
    const std::vector<std::uint8_t>& bytes = optimizer.ResultBytes();
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.flush();
  }
  TRunReport report(ReportStyle(options), 1, writeBack ? err : out, err);
  report.Row("-", outcome);
  TRunTotals totals;
  totals.Add(outcome);
  report.Total(totals);
  return outcome.Failed ? kExitFileFailed : kExitSuccess;
}

}  // namespace

int RunBatchCommand(bool writeBack, const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                    std::ostream& err) {
  TBatchOptions options;
  std::string problem = ParseBatchOptions(args, options);
  const bool fromInput = std::find(options.Paths.begin(), options.Paths.end(), "-") != options.Paths.end();
  if (problem.empty() && !options.Output.empty() && !writeBack) problem = "-o goes with optimize";
  if (problem.empty() && fromInput && (options.Paths.size() > 1 || !options.FilesFrom.empty() || !options.Output.empty()))
    problem = "- (standard input) is the only path when it is given";
  if (!problem.empty()) {
    err << "lumvane: " << problem << "\n";
    PrintUsage(err);
    return kExitUsage;
  }
  if (fromInput) return RunOnStandardInput(writeBack, options, in, out, err);
  if (!options.FilesFrom.empty()) {
    std::vector<std::string> listed;
    if (options.FilesFrom == "-") {
      listed = ReadPathList(in, options.NulSeparated);
    } else {
      std::ifstream list(options.FilesFrom, std::ios::binary);
      if (!list) {
        err << "lumvane: cannot read the list " << options.FilesFrom << ": " << std::strerror(errno) << "\n";
        return kExitFileFailed;
      }
      listed = ReadPathList(list, options.NulSeparated);
    }
    options.Paths.insert(options.Paths.end(), listed.begin(), listed.end());
  }
  const std::vector<TBatchFile> files = CollectFiles(options);

  std::size_t nameWidth = 0;
  for (const TBatchFile& file : files) nameWidth = std::max(nameWidth, file.Path.size());
  TRunReport report(ReportStyle(options), nameWidth, out, err);
  TProgressBar bar(err, files.size());
  bar.Update(0);
  TResults results(files, report, bar);
  std::optional<TWriting> writing;
  if (writeBack) writing.emplace();
  std::vector<std::thread> workers;
  const std::size_t jobs = std::min<std::size_t>(options.Jobs, std::max<std::size_t>(files.size(), 1));
  // The main thread is one of the workers.
  TWriting* const writer = writing ? &*writing : nullptr;
  for (std::size_t i = 1; i < jobs; ++i)
    workers.emplace_back([&results, writer, &options] {
      MapHeapRoomInLargePages();  // a worker allocates from a heap of its own
      Work(results, writer, options);
    });
  Work(results, writer, options);
  {
    std::unique_lock lock(results.Lock);
    results.AllPrinted.wait(lock, [&] { return results.Printed == files.size(); });
  }
  for (std::thread& worker : workers) worker.join();
  // Every rename is durable before the run ends.
  if (writing) writing->Folders.SyncAll();
  bar.Finish();
  report.Total(results.Totals);
  return results.Totals.Failed > 0 ? kExitFileFailed : kExitSuccess;
}

}  // namespace lumvane
