#pragma once
// Bitmaps of 1, 4, 8 or 24 bits per pixel. Rows are stored top to bottom, each padded to a
// multiple of 4 bytes with zeros; 24-bit rows hold blue, green, red per pixel (BMP order).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "base/Types.h"
#include "gfx/Palette.h"

namespace lumvane {

enum class TPixelFormat { pf1bit, pf4bit, pf8bit, pf24bit };

int BitsPerPixelOf(TPixelFormat format);
// Bytes per row: width × bits rounded up to a multiple of 32 bits.
std::int64_t RowBytesFor(std::int64_t width, TPixelFormat format);

class TCanvas;

class TBitmap {
public:
  // Most pixels a bitmap may hold.
  static constexpr std::int64_t kMaxPixels = std::int64_t{1} << 28;

  // An empty 24-bit bitmap without a palette.
  TBitmap();
  ~TBitmap();
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  bool Empty() const { return width_ == 0 || height_ == 0; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Keeps the format and palette; every pixel becomes 0. Negative sizes throw EGraphicError
  // "Invalid bitmap size"; more than 2^28 pixels (or a side longer than that) throw
  // GIFException "Image too large"; a failed allocation throws EOutOfMemory.
  void SetSize(int width, int height);

  TPixelFormat PixelFormat() const { return format_; }
  // Converts the pixels: to 24 bits by their colors; to an indexed format by the nearest of
  // the palette entries that the format can address. An indexed bitmap without a palette
  // first takes the format's default (Halftone for 8 bits, the VGA colors for 4 bits, black
  // and white for 1 bit), so that its pixels show the colors they were mapped to.
  void SetPixelFormat(TPixelFormat format);
  int BitsPerPixel() const { return BitsPerPixelOf(format_); }
  int RowBytes() const { return rowBytes_; }

  // Row 0 is the top row; others throw EGraphicError "Scan line index out of range".
  std::uint8_t* ScanLine(int row);
  const std::uint8_t* ScanLine(int row) const;

  // Indexed formats resolve their pixels through the palette; indexes it lacks are black.
  TPaletteHandle Palette() const { return palette_; }
  void SetPalette(TPaletteHandle palette) { palette_ = std::move(palette); }
  // The palette drawing maps colors into: an indexed bitmap without one takes its format's
  // default first (see SetPixelFormat).
  const TPalette& TargetPalette();

  // Red | green << 8 | blue << 16; outside the bitmap: EGraphicError "Pixel index out of range".
  TColor PixelColor(int x, int y) const;

  // Reads an in-memory BMP file (1, 4, 8 or 24 bits, uncompressed, either row order).
  // Malformed data throws EGraphicError and leaves the bitmap as it was.
  void LoadFromBMP(const std::vector<std::uint8_t>& fileImage);
  // Writes a bottom-up BMP file; indexed bitmaps with their palette as color table.
  std::vector<std::uint8_t> SaveToBMP() const;

  TCanvas& Canvas();

  // Becomes a copy of the source: size, format, palette, pixels and transparency marking.
  void Assign(const TBitmap& source);

  // A bitmap marked transparent shows the pixels of its transparent color as see-through:
  // the given color, or when none is given the color of its bottom-left pixel.
  bool Transparent = false;
  std::optional<TColor> TransparentColor;
  // An 8-bit mask of the bitmap's size: 1 where a pixel has the transparent color, else 0;
  // none for a bitmap that is not marked transparent or is empty.
  std::unique_ptr<TBitmap> TransparencyMask() const;

  // Called by Changed(); nothing calls Changed() implicitly, the drawer says when it is done.
  std::function<void()> OnChange;
  void Changed();

private:
  // Takes size, format, palette and pixels from a bitmap about to be thrown away.
  void TakeFrom(TBitmap& source);

  int width_ = 0;
  int height_ = 0;
  int rowBytes_ = 0;
  TPixelFormat format_ = TPixelFormat::pf24bit;
  TPaletteHandle palette_;
  std::vector<std::uint8_t> pixels_;
  std::unique_ptr<TCanvas> canvas_;
};

// The palette an indexed bitmap of this format gets when it has none.
const TPalette& DefaultPaletteFor(TPixelFormat format);

// A 1-bit mask from bits: rows of ((width + 15) / 16) × 2 bytes, leftmost pixel in bit 7 of
// a row's first byte, a set bit = transparent. Its palette: black (0), white (1).
std::unique_ptr<TBitmap> CreateMaskBitmap(int width, int height, const std::uint8_t* bits);

}  // namespace lumvane
