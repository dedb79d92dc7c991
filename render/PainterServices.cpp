#include "render/PainterServices.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace lumvane {
namespace {

class TInPlaceDispatcher : public TUiDispatcher {
public:
  void RunOnUiThread(const std::function<void()>& step) override { step(); }
  bool ProcessPendingEvents() override { return true; }
  bool IsUiThread() const override { return true; }
};

class TSystemWakeEvent : public TWakeEvent {
public:
  bool Wait(std::int64_t milliseconds) override {
    std::unique_lock lock(mutex_);
    const auto signalled = [this] { return signalled_; };
    const bool woken = milliseconds < 0 ? (changed_.wait(lock, signalled), true)
                                        : changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), signalled);
    signalled_ = false;
    return woken;
  }
  void Signal() override {
    {
      std::lock_guard lock(mutex_);
      signalled_ = true;
    }
    changed_.notify_one();
  }

private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool signalled_ = false;
};

class TSystemClock : public TPainterClock {
public:
  std::int64_t Now() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  void Sleep(std::int64_t milliseconds) override { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
  void Yield() override { std::this_thread::yield(); }
  std::unique_ptr<TWakeEvent> CreateWakeEvent() override { return std::make_unique<TSystemWakeEvent>(); }
};

}  // namespace

TPainterServices& PainterServices() {
  static TInPlaceDispatcher dispatcher;
  static TSystemClock clock;
  static TPainterServices services{&dispatcher, &clock};
  return services;
}

}  // namespace lumvane
