#pragma once
// The pixels a file's image descriptors declare, read without decoding anything, so that
// the document's pixel limit is checked before the first frame is allocated.

#include <cstdint>

#include "base/Stream.h"

namespace lumvane {

// Walks the blocks from the stream position (just after the header and global table) to
// the trailer, the end of the data or the first byte that starts no block, skipping
// extensions and image data by their sub-block sizes, and adds up width × height of every
// image descriptor (a side of 0 counts as the screen's, as reading takes it). The stream
// position is restored.
std::int64_t DeclaredPixels(TStream& stream, int screenWidth, int screenHeight);

// The same over a whole file from its start, header and global table included; 0 for bytes
// that do not start as a GIF file.
std::int64_t DeclaredFilePixels(TStream& stream);

}  // namespace lumvane
