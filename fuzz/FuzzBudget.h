#pragma once
// The pixels a fuzz input's frames declare, added up before anything is decoded. The library
// accepts frames up to 2^28 pixels and documents up to 2^31 by design, so a few bytes can
// legitimately ask for gigabytes; the fuzz targets skip such inputs to keep each run within
// memory and time.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/Stream.h"
#include "gif/BlockScan.h"

namespace lumvane::fuzz {

struct TDeclaredSizes {
  std::int64_t LargestFrame = 0;  // pixels of the largest frame
  std::int64_t FramePixels = 0;   // pixels of all frames together
  std::int64_t Screen = 0;        // pixels of the logical screen, grown to hold every frame
  std::int64_t Frames = 0;        // frames with an image
};

// The library's own block scan, which walks the blocks the way its reader does.
inline TDeclaredSizes DeclaredSizes(const std::uint8_t* data, std::size_t size) {
  TMemoryStream stream(std::vector<std::uint8_t>(data, data + size));
  const TBlockScan scan = ScanFile(stream);
  const TRect bounds = scan.Bounds();
  return {scan.LargestFrame(), scan.FramePixels(), std::int64_t{bounds.Right} * bounds.Bottom,
          static_cast<std::int64_t>(scan.Frames.size())};
}

// Pixel budgets of one fuzz input. The fuzzers learn most from many small inputs, so the
// budgets keep a typical input to a millisecond or so in the instrumented build (about 1 µs
// per pixel to optimize and save, 5 µs to render plain and dithered, a few ns to load) and
// the worst far inside the 10 s timeout.
constexpr std::int64_t kLoadFramePixels = std::int64_t{1} << 18;
constexpr std::int64_t kLoadDocumentPixels = 4 * kLoadFramePixels;
constexpr std::int64_t kOptimizePixels = std::int64_t{1} << 16;
constexpr std::int64_t kRenderPixels = std::int64_t{1} << 16;

// Within the budget of the targets that optimize, composite or save: they walk every frame,
// and each picture composited covers the screen.
inline bool FitsOptimizeBudget(const std::uint8_t* data, std::size_t size) {
  const TDeclaredSizes sizes = DeclaredSizes(data, size);
  return sizes.FramePixels <= kOptimizePixels && (sizes.Frames + 1) * sizes.Screen <= kOptimizePixels;
}

}  // namespace lumvane::fuzz
