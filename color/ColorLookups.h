#pragma once
// Color lookups: map any RGB color to an index of a fixed palette and tell the color found.

#include <cstdint>
#include <vector>

#include "gfx/Palette.h"

namespace lumvane {

class TColorLookup {
public:
  explicit TColorLookup(std::int32_t colorCount) : Colors(colorCount) {}
  virtual ~TColorLookup() = default;

  // The number of colors of the palette; 0 when the lookup cannot map anything.
  std::int32_t ColorCount() const { return Colors; }

  // Returns the palette index for the color and writes the palette color chosen.
  virtual std::uint8_t MapColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                std::uint8_t& outRed, std::uint8_t& outGreen,
                                std::uint8_t& outBlue) = 0;

protected:
  std::int32_t Colors;
};

// Any palette of up to 256 colors. The first color looked up in a cell of 8 × 8 × 8 values
// decides the index for every later color of that cell: speed over precision.
class TFastColorLookup : public TColorLookup {
public:
  explicit TFastColorLookup(const TPalette& palette);

  std::uint8_t MapColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                        std::uint8_t& outRed, std::uint8_t& outGreen,
                        std::uint8_t& outBlue) override;

private:
  static constexpr int kCells = 32768;
  static constexpr std::int16_t kEmpty = -1;

  // Bits 0..4: red >> 3, bits 5..9: green >> 3, bits 10..14: blue >> 3.
  static int CellOf(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return (red >> 3) | ((green >> 3) << 5) | ((blue >> 3) << 10);
  }
  // The entry with the smallest |dr| + |dg| + |db|; the lowest index among equals.
  int Nearest(std::uint8_t red, std::uint8_t green, std::uint8_t blue) const;

  std::vector<TPaletteEntry> Entries;
  std::vector<std::int16_t> Cache;  // per cell: a palette index or kEmpty
};

// The 216 colors of the 6 × 6 × 6 web cube (levels 0, 51, .., 255) at 36 r + 6 g + b.
class TNetscapeColorLookup : public TColorLookup {
public:
  TNetscapeColorLookup() : TColorLookup(216) {}
  std::uint8_t MapColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                        std::uint8_t& outRed, std::uint8_t& outGreen,
                        std::uint8_t& outBlue) override;
};

// 256 grays; index = gray = (77 r + 150 g + 29 b) >> 8.
class TGrayScaleLookup : public TColorLookup {
public:
  TGrayScaleLookup() : TColorLookup(256) {}
  std::uint8_t MapColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                        std::uint8_t& outRed, std::uint8_t& outGreen,
                        std::uint8_t& outBlue) override;
};

// Black (0) and white (1), split at a luminance of 127 / 255.
class TMonochromeLookup : public TColorLookup {
public:
  TMonochromeLookup() : TColorLookup(2) {}
  std::uint8_t MapColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                        std::uint8_t& outRed, std::uint8_t& outGreen,
                        std::uint8_t& outBlue) override;
};

}  // namespace lumvane
