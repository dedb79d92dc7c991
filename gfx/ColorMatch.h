#pragma once
// Finds the palette entry nearest to a color: least sum of absolute channel differences,
// lowest index on ties.

#include <cstdint>
#include <vector>

#include "base/Types.h"
#include "gfx/Palette.h"

namespace lumvane {

TColor EntryColor(const TPaletteEntry& entry);

// The nearest of the first `limit` entries (fewer when the palette is shorter); 0 when
// there are none.
std::uint8_t NearestEntry(const TPalette& palette, int limit, TColor color);

// NearestEntry with a small cache, for mapping many pixels into one palette.
class TColorMatcher {
public:
  TColorMatcher(const TPalette& palette, int limit);
  std::uint8_t Nearest(TColor color) {
    const std::size_t slot = ((color * 0x9E3779B1u) >> 20) & (kSlots - 1);
    const std::uint32_t key = (color & 0xFFFFFF) | kValid;
    if (keys_[slot] != key) {
      keys_[slot] = key;
      values_[slot] = NearestEntry(palette_, limit_, color);
    }
    return values_[slot];
  }

private:
  static constexpr std::size_t kSlots = 4096;
  static constexpr std::uint32_t kValid = 0x01000000;
  const TPalette& palette_;
  int limit_;
  std::vector<std::uint32_t> keys_;
  std::vector<std::uint8_t> values_;
};

}  // namespace lumvane
