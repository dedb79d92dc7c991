#pragma once
// Ordering the global color table for narrow codes.

#include <bitset>
#include <cstddef>
#include <cstdint>

#include "gif/GIFImage.h"

namespace lumvane {

// The frame's transparent index; -1 when it has none.
int TransparentIndexOf(const TGIFSubImage& frame);
// The indexes a frame's opaque pixels use: every value but the transparent index.
std::bitset<256> OpaqueIndexes(const std::uint8_t* pixels, std::size_t count, int transparent);

// With compact code sizes a frame's codes start as narrow as its highest pixel index (or
// its transparent index, the lowest one its colors leave free) allows. This orders the
// global table so that the frames with the fewest colors find them first, when that
// lowers the code sizes weighted by the frames' pixels. Returns whether it reordered.
bool OrderColorsForCodeSizes(TGIFImage& image);

// Any index a frame's opaque pixels leave free can be its transparent index: each
// transparent frame takes the lowest one, so that transparency never makes its codes
// wider than its colors do. Always an entry of the frame's table. Returns the frames changed.
int LowerTransparentIndexes(TGIFImage& image);

}  // namespace lumvane
