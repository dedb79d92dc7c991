#include "app/BatchCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <ostream>
#include <set>
#include <thread>

#include "app/BatchOptions.h"
#include "app/BatchReport.h"
#include "app/CommandLine.h"
#include "app/FileOptimizer.h"
#include "app/GifSearch.h"
#include "app/MemoryBudget.h"

namespace lumvane {
namespace {

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

int RunBatchCommand(bool writeBack, const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                    std::ostream& err) {
  TBatchOptions options;
  if (const std::string problem = ParseBatchOptions(args, options); !problem.empty()) {
    err << "lumvane: " << problem << "\n";
    PrintUsage(err);
    return kExitUsage;
  }
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
  const std::vector<std::string> files = CollectFiles(options);

  TResults results;
  results.Outcomes.resize(files.size());
  std::vector<std::thread> workers;
  const std::size_t jobs = std::min<std::size_t>(options.Jobs, std::max<std::size_t>(files.size(), 1));
  for (std::size_t i = 0; i < jobs; ++i) workers.emplace_back(Work, std::ref(results), std::cref(files), writeBack, options.Thorough);

  std::size_t nameWidth = 0;
  for (const std::string& file : files) nameWidth = std::max(nameWidth, file.size());
  const auto style = options.Json    ? TRunReport::TStyle::Json
                     : options.Quiet ? TRunReport::TStyle::Quiet
                                     : TRunReport::TStyle::Table;
  TRunReport report(style, nameWidth, out, err);
  TProgressBar bar(err, files.size());
  TRunTotals totals;
  for (std::size_t i = 0; i < files.size(); ++i) {
    bar.Update(i);
    std::unique_lock lock(results.Lock);
    results.Ready.wait(lock, [&] { return results.Outcomes[i].has_value(); });
    const TFileOutcome outcome = *results.Outcomes[i];
    lock.unlock();
    totals.Add(outcome);
    bar.Finish();
    report.Row(files[i], outcome);
  }
  for (std::thread& worker : workers) worker.join();
  bar.Finish();
  report.Total(totals);
  return totals.Failed > 0 ? kExitFileFailed : kExitSuccess;
}

}  // namespace lumvane
