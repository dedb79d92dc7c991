#pragma once
// A second compositor for cross-checks, written plainly over what giflib reads: the
// pictures a file shows by the same rules as the product's own, from giflib's frames and
// extension blocks.

#include <cstdint>
#include <optional>
#include <vector>

#include "support/Giflib.h"

namespace lumvane::test {

// The whole canvas, rows top to bottom: 0 when transparent, else
// 0xFF000000 | red | green << 8 | blue << 16. Time in hundredths of a second.
struct GiflibPicture {
  std::vector<std::uint32_t> Pixels;
  std::int64_t Time = 0;
};

class GiflibCompositor {
public:
  // The file must outlive the compositor.
  explicit GiflibCompositor(const GiflibFile& file);

  int Width() const { return width_; }
  int Height() const { return height_; }
  // The loop count of the first looping block; -1 without one.
  int LoopCount() const { return loopCount_; }

  // The next picture, identical neighbours merged; false after the last one.
  bool Next(GiflibPicture& picture);

private:
  // Paints the frame and applies its disposal; returns the picture it showed.
  GiflibPicture Show(const GiflibFrame& frame);

  const GiflibFile& file_;
  std::size_t next_ = 0;
  int width_ = 0;
  int height_ = 0;
  int loopCount_ = -1;
  std::vector<std::uint32_t> canvas_;
  std::optional<GiflibPicture> pending_;
};

// Expects both files to show the same pictures, times and (for animations) loop count as
// giflib reads them; nothing when giflib cannot read the original.
void ExpectSameGiflibShow(const std::vector<std::uint8_t>& original, const std::vector<std::uint8_t>& optimized);

}  // namespace lumvane::test
