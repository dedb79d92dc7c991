#pragma once
// What a file's blocks declare, read without decoding anything: the screen and the place of
// every frame, walked the way the reader walks them. The document's pixel limit is checked
// from it before the first frame is allocated.

#include <cstdint>
#include <vector>

#include "base/Stream.h"
#include "base/Types.h"

namespace lumvane {

struct TBlockScan {
  int ScreenWidth = 0;
  int ScreenHeight = 0;
  // Every image descriptor's rectangle on the screen (a side of 0 taken as the screen's).
  std::vector<TRect> Frames;

  std::int64_t FramePixels() const;
  std::int64_t LargestFrame() const;
  // The screen grown to hold every frame.
  TRect Bounds() const;
};

// Walks the blocks from the stream position (just after the header and global table) to
// the trailer, the end of the data or the first byte where the reader stops, skipping
// extensions, color tables and image data by their sizes. The stream position is restored.
TBlockScan ScanBlocks(TStream& stream, int screenWidth, int screenHeight);

// The same over a whole file from its start (with the four-byte prefix the reader
// tolerates); no screen and no frames for bytes that do not start as a GIF file.
TBlockScan ScanFile(TStream& stream);

}  // namespace lumvane
