#pragma once
// A canvas kept in square tiles that exist only where something was painted, so that its
// memory follows the area frames cover rather than the screen. A pixel is a T, 0 where
// nothing was painted.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace lumvane {

// Columns [Left, Right) of rows [Top, Bottom).
struct TCanvasArea {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool IsEmpty() const { return Left >= Right || Top >= Bottom; }
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
};

// Tiles are 2^shift pixels on a side, shift from kMinTileShift to kMaxTileShift.
constexpr int kMinTileShift = 4;
constexpr int kMaxTileShift = 6;

template <class T>
class TTiledCanvas {
public:
  // Makes the canvas width × height, 0 everywhere, in tiles of 2^shift pixels on a side
  // (clamped to the range above).
  void Reset(int width, int height, int shift = kMinTileShift) {
    shift_ = std::clamp(shift, kMinTileShift, kMaxTileShift);
    const int mask = (1 << shift_) - 1;
    columns_ = (width + mask) >> shift_;
    tiles_.clear();
    index_.assign(static_cast<std::size_t>(columns_) * ((height + mask) >> shift_), 0);
  }

  // Nothing was painted since the last Reset.
  bool IsBlank() const { return tiles_.empty(); }
  // Each visit gets a run of one row of the area inside one tile: visit(x, y, pixels,
  // count), rows top to bottom and each row left to right. Writing creates the tiles it
  // touches; reading shows tiles that do not exist as 0; WriteExisting skips them.
  template <class Visit>
  void Write(const TCanvasArea& area, Visit&& visit) {
    Walk(area, [this](int column, int row) { return MakeTile(column, row); }, visit);
  }
  template <class Visit>
  void WriteExisting(const TCanvasArea& area, Visit&& visit) {
    Walk(area, [this](int column, int row) { return FindTile(column, row); }, visit);
  }
  template <class Visit>
  void Read(const TCanvasArea& area, Visit&& visit) const {
    static const std::vector<T> kEmptyTile(std::size_t{1} << (2 * kMaxTileShift), 0);
    Walk(area, [this](int column, int row) -> const T* {
      const T* tile = FindTile(column, row);
      return tile ? tile : kEmptyTile.data();
    }, visit);
  }

private:
  T* FindTile(int column, int row) const {
    const std::uint32_t at = index_[static_cast<std::size_t>(row) * columns_ + column];
    return at ? tiles_[at - 1].get() : nullptr;
  }
  T* MakeTile(int column, int row) {
    std::uint32_t& at = index_[static_cast<std::size_t>(row) * columns_ + column];
    if (!at) {
      tiles_.push_back(std::make_unique<T[]>(std::size_t{1} << (2 * shift_)));
      at = static_cast<std::uint32_t>(tiles_.size());
    }
    return tiles_[at - 1].get();
  }

  template <class TileAt, class Visit>
  void Walk(const TCanvasArea& area, TileAt tileAt, Visit& visit) const {
    if (area.IsEmpty()) return;
    const int mask = (1 << shift_) - 1;
    const int firstColumn = area.Left >> shift_, lastColumn = (area.Right - 1) >> shift_;
    for (int y = area.Top; y < area.Bottom; ++y)
      for (int column = firstColumn; column <= lastColumn; ++column) {
        const auto tile = tileAt(column, y >> shift_);
        if (!tile) continue;
        const int left = std::max(area.Left, column << shift_);
        const int right = std::min(area.Right, (column + 1) << shift_);
        visit(left, y, tile + ((y & mask) << shift_) + (left & mask), right - left);
      }
  }

  int shift_ = kMinTileShift;
  int columns_ = 0;
  // Per tile, row by row: 0 when it does not exist, else its place in tiles_ plus one.
  std::vector<std::uint32_t> index_;
  std::vector<std::unique_ptr<T[]>> tiles_;
};

}  // namespace lumvane
