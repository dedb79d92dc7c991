#include "app/WriteQueue.h"

#include <system_error>

namespace lumvane {

TWriteQueue::TWriteQueue(int writers)
    : limit_(2 * static_cast<std::size_t>(writers)), maxWriters_(static_cast<std::size_t>(writers)) {}

TWriteQueue::~TWriteQueue() {
  {
    std::lock_guard guard(lock_);
    closing_ = true;
  }
  work_.notify_all();
  for (std::thread& writer : writers_) writer.join();
}

void TWriteQueue::Add(std::function<void()> task, std::int64_t bytes) {
  std::unique_lock guard(lock_);
  room_.wait(guard, [&] {
    return waiting_.size() < limit_ && (heldBytes_ == 0 || heldBytes_ + bytes <= kWaitingBytes);
  });
  heldBytes_ += bytes;
  waiting_.push_back({std::move(task), bytes});
  if (idleWriters_ < waiting_.size() && writers_.size() < maxWriters_) {
    try {
      writers_.emplace_back(&TWriteQueue::Write, this);
      return;
    } catch (const std::system_error&) {
      // No thread to be had: the writers there are take it, or with none, the caller.
      if (writers_.empty()) {
        TTask alone = std::move(waiting_.back());
        waiting_.pop_back();
        heldBytes_ -= alone.Bytes;
        guard.unlock();
        alone.Run();
        return;
      }
    }
  }
  guard.unlock();
  work_.notify_one();
}

void TWriteQueue::Write() {
  for (;;) {
    std::unique_lock guard(lock_);
    ++idleWriters_;
    work_.wait(guard, [&] { return closing_ || !waiting_.empty(); });
    --idleWriters_;
    if (waiting_.empty()) return;
    TTask task = std::move(waiting_.front());
    waiting_.pop_front();
    guard.unlock();
    room_.notify_all();
    task.Run();
    guard.lock();
    heldBytes_ -= task.Bytes;
    guard.unlock();
    room_.notify_all();
  }
}

}  // namespace lumvane
