#pragma once
// Painter services for tests: a user-interface queue the test thread pumps, and a clock
// that only moves when the painter sleeps or waits, recording every wait.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "render/Painter.h"
#include "render/PainterServices.h"

namespace lumvane::test {

class QueueDispatcher : public TUiDispatcher {
public:
  void RunOnUiThread(const std::function<void()>& step) override {
    if (IsUiThread()) {
      step();
      return;
    }
    std::exception_ptr error;
    std::unique_lock lock(mutex_);
    const std::uint64_t ticket = ++queued_;
    queue_.push_back([&step, &error] {
      try {
        step();
      } catch (...) {
        error = std::current_exception();
      }
    });
    done_.wait(lock, [&] { return finished_ >= ticket; });
    if (error) std::rethrow_exception(error);
  }
  bool ProcessPendingEvents() override {
    std::unique_lock lock(mutex_);
    while (!queue_.empty()) {
      const std::function<void()> step = std::move(queue_.front());
      queue_.pop_front();
      lock.unlock();
      step();
      lock.lock();
      ++finished_;
      done_.notify_all();
    }
    return true;
  }
  bool IsUiThread() const override { return std::this_thread::get_id() == uiThread_; }

private:
  const std::thread::id uiThread_ = std::this_thread::get_id();
  std::mutex mutex_;
  std::condition_variable done_;
  std::deque<std::function<void()>> queue_;
  std::uint64_t queued_ = 0, finished_ = 0;
};

class FakeClock : public TPainterClock {
public:
  std::int64_t Now() override { return now_; }
  void Advance(std::int64_t milliseconds) { now_ += milliseconds; }
  void Sleep(std::int64_t milliseconds) override {
    Record(milliseconds);
    now_ += milliseconds;
  }
  void Yield() override { std::this_thread::yield(); }
  std::unique_ptr<TWakeEvent> CreateWakeEvent() override { return std::make_unique<Event>(*this); }
  // Every sleep and every wait on an event, in milliseconds (-1: without end).
  std::vector<std::int64_t> Waits() {
    std::lock_guard lock(mutex_);
    return waits_;
  }

private:
  class Event : public TWakeEvent {
  public:
    explicit Event(FakeClock& clock) : clock_(clock) {}
    bool Wait(std::int64_t milliseconds) override {
      clock_.Record(milliseconds);
      std::unique_lock lock(mutex_);
      if (milliseconds < 0) changed_.wait(lock, [&] { return signalled_; });
      const bool woken = signalled_;
      signalled_ = false;
      if (!woken) clock_.now_ += milliseconds;
      return woken;
    }
    void Signal() override {
      std::lock_guard lock(mutex_);
      signalled_ = true;
      changed_.notify_all();
    }

  private:
    FakeClock& clock_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_ = false;
  };
  void Record(std::int64_t milliseconds) {
    std::lock_guard lock(mutex_);
    waits_.push_back(milliseconds);
  }

  std::atomic<std::int64_t> now_{0};
  std::mutex mutex_;
  std::vector<std::int64_t> waits_;
};

// Installs the fakes for the lifetime of the object.
class FakePainterServices {
public:
  FakePainterServices() : saved_(PainterServices()) { PainterServices() = {&Dispatcher, &Clock}; }
  ~FakePainterServices() {
    while (TGIFPainter::RunningThreads() > 0) Dispatcher.ProcessPendingEvents();
    PainterServices() = saved_;
  }
  QueueDispatcher Dispatcher;
  FakeClock Clock;

private:
  TPainterServices saved_;
};

}  // namespace lumvane::test
