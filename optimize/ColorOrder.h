#pragma once
// Ordering the global color table for narrow codes.

#include "gif/GIFImage.h"

namespace lumvane {

// With compact code sizes a frame's codes start as narrow as its highest pixel index (or
// its transparent index, the lowest one its colors leave free) allows. This orders the
// global table so that the frames with the fewest colors find them first, when that
// lowers the code sizes weighted by the frames' pixels. Returns whether it reordered.
bool OrderColorsForCodeSizes(TGIFImage& image);

}  // namespace lumvane
