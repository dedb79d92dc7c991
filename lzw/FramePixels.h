#pragma once
// A frame's pixels as the codecs see them, and the order in which its rows are sent.

#include <cstdint>
#include <type_traits>

namespace lumvane {

// Width × Height color indexes, rows top to bottom, no padding: written by the decoder
// (TFramePixels), read by the encoders (TConstFramePixels).
template <class Byte>
struct TFramePixelsOf {
  Byte* Pixels;
  int Width;
  int Height;
  bool Interlaced;

  std::int64_t Count() const { return std::int64_t{Width} * Height; }
  operator TFramePixelsOf<const Byte>() const
    requires(!std::is_const_v<Byte>)
  {
    return {Pixels, Width, Height, Interlaced};
  }
};
using TFramePixels = TFramePixelsOf<std::uint8_t>;
using TConstFramePixels = TFramePixelsOf<const std::uint8_t>;

// Rows in sending order: top to bottom, or interlaced in four passes (every eighth row from
// row 0, every eighth from 4, every fourth from 2, every second from 1).
class TSendingOrder {
public:
  TSendingOrder(int height, bool interlaced) : height_(height), interlaced_(interlaced) {}
  // The next row, or -1 after the last.
  int Next() {
    if (!interlaced_) return row_ < height_ ? row_++ : -1;
    while (pass_ < 4) {
      if (row_ < 0) row_ = kPassStart[pass_];
      if (row_ < height_) {
        const int row = row_;
        row_ += kPassStep[pass_];
        return row;
      }
      ++pass_;
      row_ = -1;
    }
    return -1;
  }

private:
  static constexpr int kPassStart[4] = {0, 4, 2, 1};
  static constexpr int kPassStep[4] = {8, 8, 4, 2};
  int height_;
  bool interlaced_;
  int pass_ = 0;
  int row_ = 0;
};

}  // namespace lumvane
