#include "render/ThreadPriority.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

namespace lumvane {

int NicenessFor(std::uint8_t priority, int normal) {
  // Idle and time critical are the far ends of the scale; the steps between are relative.
  static constexpr std::array<int, 7> kOffsets = {40, 10, 5, 0, -5, -10, -40};
  return std::clamp(normal + kOffsets[std::min<std::size_t>(priority, kOffsets.size() - 1)], -20, 19);
}

void TThreadPriority::Attach() {
  std::lock_guard lock(mutex_);
  thread_ = static_cast<int>(gettid());
  errno = 0;
  const int niceness = getpriority(PRIO_PROCESS, static_cast<id_t>(thread_));
  normal_ = errno == 0 ? niceness : 0;
  Apply();
}

void TThreadPriority::Detach() {
  std::lock_guard lock(mutex_);
  thread_ = 0;
}

void TThreadPriority::Set(std::uint8_t priority) {
  std::lock_guard lock(mutex_);
  wanted_ = priority;
  if (thread_ != 0) Apply();
}

void TThreadPriority::Apply() {
  // On Linux the niceness of a thread id is the thread's own.
  setpriority(PRIO_PROCESS, static_cast<id_t>(thread_), NicenessFor(wanted_, normal_));
}

}  // namespace lumvane
