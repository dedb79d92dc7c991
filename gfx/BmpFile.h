#pragma once
// BMP files in memory: a 14-byte file header, a BITMAPINFOHEADER (40 bytes or larger), the
// color table and the pixel rows.

#include <cstdint>
#include <vector>

#include "gfx/Bitmap.h"

namespace lumvane {

// Fills an empty bitmap from a BMP file of 1, 4, 8 or 24 bits, uncompressed, bottom-up
// (positive height) or top-down (negative height). Everything is checked against the data
// before anything is allocated; malformed data throws EGraphicError.
void ReadBmp(const std::vector<std::uint8_t>& file, TBitmap& bitmap);

// A bottom-up BMP file with a 40-byte header; indexed bitmaps carry their palette (at most
// what the format addresses) as the color table, or a black table when they have none.
std::vector<std::uint8_t> WriteBmp(const TBitmap& bitmap);

}  // namespace lumvane
