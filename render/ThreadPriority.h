#pragma once
// A painter thread's priority as Linux thread niceness. The document's PainterPriority runs
// from 0 (idle) through 3 (normal) to 6 (time critical); normal is the niceness the thread
// started with, the others lie below or above it.

#include <cstdint>
#include <mutex>

namespace lumvane {

constexpr std::uint8_t kNormalPriority = 3;

// The niceness that a priority gives a thread that started at normal.
int NicenessFor(std::uint8_t priority, int normal);

class TThreadPriority {
public:
  explicit TThreadPriority(std::uint8_t priority) : wanted_(priority) {}

  // On the thread itself when it starts: takes its niceness as normal and applies the
  // priority asked for so far.
  void Attach();
  // On the thread itself before it ends: later requests no longer reach it.
  void Detach();
  // From any thread; applied at once when the thread is attached, else when it attaches.
  // Raising the priority may need privileges: refused, the thread keeps what it has.
  void Set(std::uint8_t priority);

private:
  void Apply();

  std::mutex mutex_;
  std::uint8_t wanted_;
  int thread_ = 0;  // the attached thread's id, 0 when none
  int normal_ = 0;
};

}  // namespace lumvane
