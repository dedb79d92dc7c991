#include "gfx/ColorMatch.h"

#include <algorithm>
#include <cstdlib>

namespace lumvane {

TColor EntryColor(const TPaletteEntry& entry) {
  return entry.Red | (entry.Green << 8) | (static_cast<TColor>(entry.Blue) << 16);
}

std::uint8_t NearestEntry(const TPalette& palette, int limit, TColor color) {
  const int red = color & 0xFF, green = (color >> 8) & 0xFF, blue = (color >> 16) & 0xFF;
  const int count = std::min(limit, palette.Count());
  int best = 0, bestDistance = 3 * 256;
  for (int i = 0; i < count; ++i) {
    const TPaletteEntry& entry = palette.Entries()[i];
    const int distance =
        std::abs(entry.Red - red) + std::abs(entry.Green - green) + std::abs(entry.Blue - blue);
    if (distance < bestDistance) {
      best = i;
      bestDistance = distance;
      if (distance == 0) break;
    }
  }
  return static_cast<std::uint8_t>(best);
}

TColorMatcher::TColorMatcher(const TPalette& palette, int limit)
    : palette_(palette), limit_(limit), keys_(kSlots, 0), values_(kSlots, 0) {}

}  // namespace lumvane
