#pragma once
// Logical palettes: up to 256 colors, shared between bitmaps through immutable handles.

#include <cstdint>
#include <memory>
#include <vector>

namespace lumvane {

struct TPaletteEntry {
  std::uint8_t Red = 0, Green = 0, Blue = 0, Flags = 0;
  bool operator==(const TPaletteEntry&) const = default;
};

// A value type; entries come back in the order given.
class TPalette {
public:
  static constexpr int kMaxEntries = 256;
  static constexpr std::uint16_t Version = 0x300;

  TPalette() = default;
  // Keeps at most the first 256 entries.
  explicit TPalette(std::vector<TPaletteEntry> entries);

  int Count() const { return static_cast<int>(entries_.size()); }
  // Throws EGraphicError "Palette index out of range" outside 0 .. Count() - 1.
  const TPaletteEntry& operator[](int index) const;
  const std::vector<TPaletteEntry>& Entries() const { return entries_; }

  bool operator==(const TPalette&) const = default;

  // The 20 static colors of the classic system palette, in its order: the eight dark
  // colors and silver (0..7), money green, sky blue, cream, medium gray (8..11), gray and
  // the seven bright colors up to white (12..19). Leaving out 8..11 gives the 16 VGA colors.
  static const TPalette& SystemDefault();
  // The 16 VGA colors: SystemDefault without its four extra colors.
  static const TPalette& Vga();
  // Black (0) and white (1).
  static const TPalette& BlackWhite();
  // 256 colors: a 6 × 6 × 6 cube with the levels 0, 51, .., 255 at index
  // 36 × red + 6 × green + blue (level numbers 0..5), then 40 grays at i × 255 / 41
  // (rounded, i = 1..40), none of which equals a gray of the cube.
  static const TPalette& Halftone();

private:
  std::vector<TPaletteEntry> entries_;
};

// A palette handle: shared and immutable; none is nullptr.
using TPaletteHandle = std::shared_ptr<const TPalette>;

TPaletteHandle MakePalette(std::vector<TPaletteEntry> entries);
// A new handle holding the same entries; nullptr stays nullptr.
TPaletteHandle CopyPalette(const TPaletteHandle& palette);

}  // namespace lumvane
