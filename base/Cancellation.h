#pragma once
// Stopping work that is under way: one side cancels a token, the work checks it between
// frames and passes and leaves by throwing TCancelled.

#include <atomic>

namespace lumvane {

// Thrown by a check on a cancelled token. It is deliberately not a std::exception: the
// engine's handlers that turn a failed attempt into "try something else" catch those, and
// a cancellation must pass them all to reach whoever started the work.
struct TCancelled {};

class TCancellation {
public:
  // May be called from any thread, any number of times.
  void Cancel() noexcept { cancelled_.store(true, std::memory_order_relaxed); }
  bool IsCancelled() const noexcept { return cancelled_.load(std::memory_order_relaxed); }

private:
  std::atomic<bool> cancelled_{false};
};

// The check the work makes; no token, no check.
inline void ThrowIfCancelled(const TCancellation* token) {
  if (token && token->IsCancelled()) throw TCancelled{};
}

}  // namespace lumvane
