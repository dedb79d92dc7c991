#include "color/ColorLookups.h"

#include <algorithm>
#include <cstdlib>

namespace lumvane {

namespace {

std::uint8_t Answer(std::uint8_t index, std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                    std::uint8_t& outRed, std::uint8_t& outGreen, std::uint8_t& outBlue) {
  outRed = red;
  outGreen = green;
  outBlue = blue;
  return index;
}

}  // namespace

TFastColorLookup::TFastColorLookup(const TPalette& palette)
    : TColorLookup(0), Cache(kCells, kEmpty) {
  const std::vector<TPaletteEntry>& source = palette.Entries();
  const std::size_t count = std::min<std::size_t>(source.size(), TPalette::kMaxEntries);
  Entries.assign(source.begin(), source.begin() + static_cast<std::ptrdiff_t>(count));
  Colors = static_cast<std::int32_t>(count);
  // Each palette color claims its own cell unless an earlier color has.
  for (std::size_t i = 0; i < count; ++i) {
    std::int16_t& cell = Cache[CellOf(Entries[i].Red, Entries[i].Green, Entries[i].Blue)];
    if (cell == kEmpty) cell = static_cast<std::int16_t>(i);
  }
}

int TFastColorLookup::Nearest(std::uint8_t red, std::uint8_t green, std::uint8_t blue) const {
  int best = 0;
  int bestDistance = 196608;
  for (int i = 0; i < static_cast<int>(Entries.size()); ++i) {
    const TPaletteEntry& entry = Entries[i];
    const int distance = std::abs(entry.Red - red) + std::abs(entry.Green - green) +
                         std::abs(entry.Blue - blue);
    if (distance < bestDistance) {
      best = i;
      bestDistance = distance;
    }
  }
  return best;
}

std::uint8_t TFastColorLookup::MapColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                        std::uint8_t& outRed, std::uint8_t& outGreen,
                                        std::uint8_t& outBlue) {
  // An empty palette has nothing to choose from: index 0 and black, and no cache entry.
  if (Entries.empty()) return Answer(0, 0, 0, 0, outRed, outGreen, outBlue);
  std::int16_t& cell = Cache[CellOf(red, green, blue)];
  if (cell == kEmpty) cell = static_cast<std::int16_t>(Nearest(red, green, blue));
  const auto index = static_cast<std::uint8_t>(cell & 0xFF);
  const TPaletteEntry& entry = Entries[index];
  return Answer(index, entry.Red, entry.Green, entry.Blue, outRed, outGreen, outBlue);
}

std::uint8_t TNetscapeColorLookup::MapColor(std::uint8_t red, std::uint8_t green,
                                            std::uint8_t blue, std::uint8_t& outRed,
                                            std::uint8_t& outGreen, std::uint8_t& outBlue) {
  const int r = (red + 3) / 51, g = (green + 3) / 51, b = (blue + 3) / 51;
  return Answer(static_cast<std::uint8_t>(36 * r + 6 * g + b), static_cast<std::uint8_t>(r * 51),
                static_cast<std::uint8_t>(g * 51), static_cast<std::uint8_t>(b * 51), outRed,
                outGreen, outBlue);
}

std::uint8_t TGrayScaleLookup::MapColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                        std::uint8_t& outRed, std::uint8_t& outGreen,
                                        std::uint8_t& outBlue) {
  const auto gray = static_cast<std::uint8_t>((77 * red + 150 * green + 29 * blue) >> 8);
  return Answer(gray, gray, gray, gray, outRed, outGreen, outBlue);
}

std::uint8_t TMonochromeLookup::MapColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                         std::uint8_t& outRed, std::uint8_t& outGreen,
                                         std::uint8_t& outBlue) {
  if (77 * red + 150 * green + 29 * blue > 32512) return Answer(1, 255, 255, 255, outRed, outGreen, outBlue);
  return Answer(0, 0, 0, 0, outRed, outGreen, outBlue);
}

}  // namespace lumvane
