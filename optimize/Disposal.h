#pragma once
// How browsers read graphic control blocks. Disposal values: 4 as 3 (restore the canvas as
// it was before the frame) and 5 to 7 as 1 (keep).

#include <cstdint>

namespace lumvane {

inline std::uint8_t EffectiveDisposal(std::uint8_t disposal) {
  if (disposal == 4) return 3;
  if (disposal > 4) return 1;
  return disposal;
}

// The frame's picture stays on the canvas for the next frame to be drawn over.
inline bool KeepsPicture(std::uint8_t disposal) { return EffectiveDisposal(disposal) < 2; }

// Hundredths a frame stays on screen: a delay of 0 or 1 (or none) plays as 10.
inline int PlayedTime(int delay) { return delay <= 1 ? 10 : delay; }

}  // namespace lumvane
