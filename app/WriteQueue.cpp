#include "app/WriteQueue.h"

namespace lumvane {

TWriteQueue::TWriteQueue(int writers) : limit_(2 * static_cast<std::size_t>(writers)) {
  for (int i = 0; i < writers; ++i) writers_.emplace_back(&TWriteQueue::Write, this);
}

TWriteQueue::~TWriteQueue() {
  {
    std::lock_guard guard(lock_);
    closing_ = true;
  }
  changed_.notify_all();
  for (std::thread& writer : writers_) writer.join();
}

void TWriteQueue::Add(std::function<void()> task, std::int64_t bytes) {
  std::unique_lock guard(lock_);
  changed_.wait(guard, [&] {
    return waiting_.size() < limit_ && (heldBytes_ == 0 || heldBytes_ + bytes <= kWaitingBytes);
  });
  heldBytes_ += bytes;
  waiting_.push_back({std::move(task), bytes});
  changed_.notify_all();
}

void TWriteQueue::Write() {
  for (;;) {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [&] { return closing_ || !waiting_.empty(); });
    if (waiting_.empty()) return;
    TTask task = std::move(waiting_.front());
    waiting_.pop_front();
    changed_.notify_all();
    guard.unlock();
    task.Run();
    guard.lock();
    heldBytes_ -= task.Bytes;
    changed_.notify_all();
  }
}

}  // namespace lumvane
