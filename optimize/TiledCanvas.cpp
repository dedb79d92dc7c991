#include "optimize/TiledCanvas.h"

#include <algorithm>

namespace lumvane {

const std::vector<std::uint32_t> TTiledCanvas::kTransparentTile(kSide * kSide, 0);

void TTiledCanvas::Reset(int width, int height) {
  width_ = width;
  height_ = height;
  columns_ = (width + kMask) >> kShift;
  const int rows = (height + kMask) >> kShift;
  tiles_.clear();
  index_.assign(static_cast<std::size_t>(columns_) * rows, 0);
}

std::uint32_t* TTiledCanvas::FindTile(int column, int row) const {
  const std::uint32_t at = index_[static_cast<std::size_t>(row) * columns_ + column];
  return at ? tiles_[at - 1].get() : nullptr;
}

std::uint32_t* TTiledCanvas::MakeTile(int column, int row) {
  std::uint32_t& at = index_[static_cast<std::size_t>(row) * columns_ + column];
  if (!at) {
    tiles_.push_back(std::make_unique<std::uint32_t[]>(kSide * kSide));
    at = static_cast<std::uint32_t>(tiles_.size());
  }
  return tiles_[at - 1].get();
}

void TTiledCanvas::Copy(const TCanvasArea& area, std::uint32_t* out) const {
  Read(area, [&](int x, int y, const std::uint32_t* pixels, int count) {
    std::copy_n(pixels, count,
                out + static_cast<std::size_t>(y - area.Top) * area.Width() + (x - area.Left));
  });
}

}  // namespace lumvane
