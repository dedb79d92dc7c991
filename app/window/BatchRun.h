#pragma once
// A batch run of the window on worker threads: each worker takes the next file of the run
// and works on it with its own TFileOptimizer; what happens is reported on the thread that
// owns the run, in the order each worker met it.

#include <QObject>
#include <QString>

#include <atomic>
#include <cstddef>
#include <string>
#include <thread>
#include <vector>

#include "app/FileOptimizer.h"
#include "base/Cancellation.h"

namespace lumvane {

class TBatchRun : public QObject {
  Q_OBJECT

public:
  // The files by path, in the order they are to be started.
  TBatchRun(std::vector<std::string> paths, bool writeBack, bool thorough, int workers);
  // Cancels what is under way and waits for the workers.
  ~TBatchRun() override;

  void Start();
  // Files under way stop between two frames or passes and are left as they were; no new
  // file starts.
  void Abort();
  // Waits for the workers to end (after Abort: within a fraction of a second).
  void Wait();
  // What the file at index has to say; the signals name files by index.
  const std::string& PathOf(std::size_t index) const { return paths_[index]; }

signals:
  void FileStarted(int index);
  void FileFinished(int index, const lumvane::TFileOutcome& outcome);
  // Reading or writing the file failed: no new file starts, files under way finish.
  void FileFailed(int index, const QString& message);
  // Every worker has ended and every report before this one has been delivered.
  void Finished();

private:
  void Work();
  // Runs the report on the run's own thread.
  template <class TReport>
  void Report(TReport&& report);

  const std::vector<std::string> paths_;
  const bool writeBack_;
  const bool thorough_;
  const int workerCount_;
  TCancellation cancellation_;
  std::atomic<std::size_t> next_{0};
  std::atomic<bool> stopping_{false};
  int workersRunning_ = 0;  // on the run's thread
  std::vector<std::thread> workers_;
};

// The number of workers meant by 0: one per core.
int WorkersForSetting(int setting);

}  // namespace lumvane
