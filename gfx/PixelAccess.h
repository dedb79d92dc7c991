#pragma once
// Reading and writing one pixel of a bitmap row. Indexed rows pack pixels leftmost first:
// 1 bit from bit 7 of each byte down, 4 bits high nibble first. 24-bit rows hold blue,
// green, red per pixel.

#include <cstdint>

#include "base/Types.h"

namespace lumvane {

template <int Bits>
inline std::uint8_t GetIndex(const std::uint8_t* row, int x) {
  if constexpr (Bits == 1) return (row[x >> 3] >> (7 - (x & 7))) & 1;
  else if constexpr (Bits == 4) return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
  else return row[x];
}

template <int Bits>
inline void SetIndex(std::uint8_t* row, int x, std::uint8_t index) {
  if constexpr (Bits == 1) {
    const int shift = 7 - (x & 7);
    row[x >> 3] = static_cast<std::uint8_t>((row[x >> 3] & ~(1 << shift)) | ((index & 1) << shift));
  } else if constexpr (Bits == 4) {
    std::uint8_t& byte = row[x >> 1];
    byte = (x & 1) ? static_cast<std::uint8_t>((byte & 0xF0) | (index & 0x0F))
                   : static_cast<std::uint8_t>((byte & 0x0F) | (index << 4));
  } else {
    row[x] = index;
  }
}

inline TColor GetRgb(const std::uint8_t* row, int x) {
  const std::uint8_t* pixel = row + 3 * x;
  return pixel[2] | (pixel[1] << 8) | (static_cast<TColor>(pixel[0]) << 16);
}

inline void SetRgb(std::uint8_t* row, int x, TColor color) {
  std::uint8_t* pixel = row + 3 * x;
  pixel[0] = static_cast<std::uint8_t>(color >> 16);
  pixel[1] = static_cast<std::uint8_t>(color >> 8);
  pixel[2] = static_cast<std::uint8_t>(color);
}

}  // namespace lumvane
