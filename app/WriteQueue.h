#pragma once
// Writing results back while the workers go on: each write waits mostly for the disk
// (fsync of the file; its folder is synced once for the run), so several run at once on threads of their own
// and a run over many small files is not held to one fsync at a time. Every write stays as
// durable as when done in line; only its waiting overlaps.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace lumvane {

class TWriteQueue {
public:
  // Up to writers writes at once; tasks wait in line while at most kWaitingBytes are held
  // (a single larger one waits alone), so a slow disk holds back the workers rather than
  // letting results pile up in memory. A writer starts only when a task finds every
  // started one busy: a run with little to write starts few threads.
  explicit TWriteQueue(int writers);
  // Runs every task still waiting, then ends the writers.
  ~TWriteQueue();
  TWriteQueue(const TWriteQueue&) = delete;
  TWriteQueue& operator=(const TWriteQueue&) = delete;

  // Hands over a task holding bytes bytes of results; waits while the line is full. The
  // task reports its own outcome and errors: it must not throw.
  void Add(std::function<void()> task, std::int64_t bytes);

  static constexpr std::int64_t kWaitingBytes = std::int64_t{64} << 20;

private:
  struct TTask {
    std::function<void()> Run;
    std::int64_t Bytes = 0;
  };
  void Write();

  std::mutex lock_;
  // Writers wait for work, one woken per task; a worker waits for room in the line. Apart,
  // a task handed over wakes one writer rather than every idle one.
  std::condition_variable work_;
  std::condition_variable room_;
  std::deque<TTask> waiting_;
  std::int64_t heldBytes_ = 0;  // of the tasks waiting or running
  std::size_t limit_;           // tasks waiting at most
  std::size_t maxWriters_;
  std::size_t idleWriters_ = 0;
  bool closing_ = false;
  std::vector<std::thread> writers_;
};

}  // namespace lumvane
