#pragma once
// Choosing the order each frame sends its rows in.

#include <cstdint>

#include "gif/GIFImage.h"

namespace lumvane {

// Frames of at most this many pixels try both row orders.
constexpr std::int64_t kInterlaceTrialPixels = 16384;

// A frame's rows may go in plain or in interlaced order: the pictures are the same, the
// codes are not. Each frame of at most kInterlaceTrialPixels pixels and at least three rows
// (fewer go alike in both orders), without a local table (saving sends those in plain
// order), takes the order its document's encoder codes shorter; a tie keeps its own.
// Returns the frames changed.
int ChooseInterlacing(TGIFImage& image);

}  // namespace lumvane
