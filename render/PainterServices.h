#pragma once
// What an animation painter needs from its surroundings, injected so that the window can
// supply its event loop and tests a queue they pump and a clock they move.

#include <cstdint>
#include <functional>
#include <memory>

namespace lumvane {

// The user-interface thread's side.
class TUiDispatcher {
public:
  virtual ~TUiDispatcher() = default;
  // Runs the step on the user-interface thread and returns when it has run (in place when
  // called there); an error the step raises is raised again in the caller.
  virtual void RunOnUiThread(const std::function<void()>& step) = 0;
  // Runs the requests and events waiting for the user-interface thread once; false when a
  // request to quit came (it stays queued for the event loop).
  virtual bool ProcessPendingEvents() = 0;
  virtual bool IsUiThread() const = 0;
};

// An auto-reset event: a wait ends when it is signalled or the time is up.
class TWakeEvent {
public:
  virtual ~TWakeEvent() = default;
  // Waits at most milliseconds (negative: without end); true when signalled.
  virtual bool Wait(std::int64_t milliseconds) = 0;
  virtual void Signal() = 0;
};

// Time: a millisecond clock, sleeping, yielding, events.
class TPainterClock {
public:
  virtual ~TPainterClock() = default;
  virtual std::int64_t Now() = 0;
  virtual void Sleep(std::int64_t milliseconds) = 0;
  virtual void Yield() = 0;
  virtual std::unique_ptr<TWakeEvent> CreateWakeEvent() = 0;
};

// The services painters use: by default a dispatcher that runs every step in place (there
// is no other user-interface thread) and the system clock. The application or a test sets
// its own before documents are drawn.
struct TPainterServices {
  TUiDispatcher* Dispatcher;
  TPainterClock* Clock;
};
TPainterServices& PainterServices();

}  // namespace lumvane
