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
  guard.unlock();
  work_.notify_one();
}

void TWriteQueue::Write() {
  for (;;) {
    std::unique_lock guard(lock_);
    work_.wait(guard, [&] { return closing_ || !waiting_.empty(); });
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
