#pragma once
// Row access to bitmap pixels (reading a bitmap's own rows, or collecting rows for a new
// bitmap), and the web palette that dithered pictures use.

#include <cstdint>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/Palette.h"

namespace lumvane {

// The 216 web colors: entry 36r + 6g + b is (51r, 51g, 51b).
TPaletteHandle WebPalette();

// Row access to a bitmap's own pixels in the given format (the bitmap is converted).
class TDIBReader {
public:
  TDIBReader(TBitmap& bitmap, TPixelFormat format);
  std::uint8_t* RowPointer(int row) { return bitmap_.ScanLine(row); }

private:
  TBitmap& bitmap_;
};

// Collects rows of 8 or 24 bits per pixel and hands them to the bitmap in one block, as
// an in-memory BMP file, on Commit.
class TDIBWriter {
public:
  TDIBWriter(TBitmap& bitmap, TPixelFormat format, int width, int height, TPaletteHandle palette);
  // Row 0 is the top row.
  std::uint8_t* RowPointer(int row);
  void Commit();

private:
  void EnsureMemory();

  TBitmap& bitmap_;
  int bitsPerPixel_;
  int width_;
  int height_;
  TPaletteHandle palette_;
  std::vector<std::uint8_t> header_;
  std::vector<std::uint8_t> pixels_;
  std::size_t rowBytes_ = 0;
};

}  // namespace lumvane
