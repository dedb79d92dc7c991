#include "app/window/BatchRun.h"

#include <QMetaObject>

#include <algorithm>

#include "app/MemoryBudget.h"
#include "render/ThreadPriority.h"

namespace lumvane {

int WorkersForSetting(int setting) {
  return setting > 0 ? setting : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

TBatchRun::TBatchRun(std::vector<std::string> paths, bool writeBack, bool thorough, int workers)
    : paths_(std::move(paths)), writeBack_(writeBack), thorough_(thorough),
      workerCount_(std::clamp<int>(workers, 1, std::max<int>(static_cast<int>(paths_.size()), 1))) {}

TBatchRun::~TBatchRun() {
  Abort();
  Wait();
}

void TBatchRun::Start() {
  workersRunning_ = workerCount_;
  for (int i = 0; i < workerCount_; ++i) workers_.emplace_back(&TBatchRun::Work, this);
}

void TBatchRun::Abort() {
  stopping_ = true;
  cancellation_.Cancel();
}

void TBatchRun::Wait() {
  for (std::thread& worker : workers_)
    if (worker.joinable()) worker.join();
}

template <class TReport>
void TBatchRun::Report(TReport&& report) {
  QMetaObject::invokeMethod(this, std::forward<TReport>(report), Qt::QueuedConnection);
}

void TBatchRun::Work() {
  // Below the window's thread: on a machine with as many workers as cores, the window
  // still gets a core when it has something to do.
  TThreadPriority priority(kNormalPriority - 1);
  priority.Attach();
  TFileOptimizer optimizer(thorough_, &ProcessMemoryBudget(), &cancellation_);
  while (!stopping_) {
    const std::size_t index = next_++;
    if (index >= paths_.size()) break;
    const int row = static_cast<int>(index);
    Report([this, row] { emit FileStarted(row); });
    try {
      TFileOutcome outcome = optimizer.Process(paths_[index], writeBack_);
      Report([this, row, outcome = std::move(outcome)] { emit FileFinished(row, outcome); });
    } catch (const std::exception& error) {
      stopping_ = true;
      Report([this, row, message = QString::fromStdString(error.what())] { emit FileFailed(row, message); });
    }
  }
  priority.Detach();
  Report([this] {
    if (--workersRunning_ == 0) emit Finished();
  });
}

}  // namespace lumvane
