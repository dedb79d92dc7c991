#pragma once
// How browsers read disposal values: 4 as 3 (restore the canvas as it was before the frame)
// and 5 to 7 as 1 (keep).

#include <cstdint>

namespace lumvane {

inline std::uint8_t EffectiveDisposal(std::uint8_t disposal) {
  if (disposal == 4) return 3;
  if (disposal > 4) return 1;
  return disposal;
}

// The frame's picture stays on the canvas for the next frame to be drawn over.
inline bool KeepsPicture(std::uint8_t disposal) { return EffectiveDisposal(disposal) < 2; }

}  // namespace lumvane
