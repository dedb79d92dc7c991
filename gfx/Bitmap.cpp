#include "gfx/Bitmap.h"

#include <algorithm>
#include <new>
#include <utility>

#include "base/Errors.h"
#include "gfx/BmpFile.h"
#include "gfx/Canvas.h"
#include "gfx/ColorMatch.h"
#include "gfx/PixelAccess.h"

namespace lumvane {

int BitsPerPixelOf(TPixelFormat format) {
  switch (format) {
    case TPixelFormat::pf1bit: return 1;
    case TPixelFormat::pf4bit: return 4;
    case TPixelFormat::pf8bit: return 8;
    case TPixelFormat::pf24bit: break;
  }
  return 24;
}

std::int64_t RowBytesFor(std::int64_t width, TPixelFormat format) {
  return (width * BitsPerPixelOf(format) + 31) / 32 * 4;
}

const TPalette& DefaultPaletteFor(TPixelFormat format) {
  switch (format) {
    case TPixelFormat::pf1bit: return TPalette::BlackWhite();
    case TPixelFormat::pf4bit: return TPalette::Vga();
    case TPixelFormat::pf8bit:
    case TPixelFormat::pf24bit: break;
  }
  return TPalette::Halftone();
}

TBitmap::TBitmap() = default;
TBitmap::~TBitmap() = default;

void TBitmap::SetSize(int width, int height) {
  if (width < 0 || height < 0) throw EGraphicError(kInvalidBitmapSizeText);
  if (width > kMaxPixels || height > kMaxPixels ||
      std::int64_t{width} * height > kMaxPixels)
    throw GIFException(TGIFError::ImageTooLarge);
  const auto rowBytes = static_cast<int>(RowBytesFor(width, format_));
  std::vector<std::uint8_t> pixels;
  try {
    pixels.assign(static_cast<std::size_t>(rowBytes) * height, 0);
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory(kOutOfMemoryText);
  }
  pixels_ = std::move(pixels);
  width_ = width;
  height_ = height;
  rowBytes_ = rowBytes;
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == format_) return;
  TBitmap converted;
  converted.format_ = format;
  converted.palette_ = palette_;
  if (format != TPixelFormat::pf24bit && !palette_)
    converted.palette_ = std::make_shared<const TPalette>(DefaultPaletteFor(format));
  converted.SetSize(width_, height_);
  if (!Empty())
    converted.Canvas().CopyRect({0, 0, width_, height_}, Canvas(), {0, 0, width_, height_});
  TakeFrom(converted);
}

std::uint8_t* TBitmap::ScanLine(int row) {
  return const_cast<std::uint8_t*>(std::as_const(*this).ScanLine(row));
}

const std::uint8_t* TBitmap::ScanLine(int row) const {
  if (row < 0 || row >= height_)
    throw EGraphicError(kScanLineOutOfRangeText);
  return pixels_.data() + static_cast<std::size_t>(row) * rowBytes_;
}

const TPalette& TBitmap::TargetPalette() {
  if (!palette_) {
    if (format_ == TPixelFormat::pf24bit) return TPalette::Halftone();
    palette_ = std::make_shared<const TPalette>(DefaultPaletteFor(format_));
  }
  return *palette_;
}

TColor TBitmap::PixelColor(int x, int y) const {
  if (x < 0 || x >= width_ || y < 0 || y >= height_)
    throw EGraphicError(kPixelIndexOutOfRangeText);
  const std::uint8_t* row = ScanLine(y);
  int index = 0;
  switch (format_) {
    case TPixelFormat::pf1bit: index = GetIndex<1>(row, x); break;
    case TPixelFormat::pf4bit: index = GetIndex<4>(row, x); break;
    case TPixelFormat::pf8bit: index = GetIndex<8>(row, x); break;
    case TPixelFormat::pf24bit: return GetRgb(row, x);
  }
  return palette_ && index < palette_->Count() ? EntryColor(palette_->Entries()[index]) : 0;
}

void TBitmap::LoadFromBMP(const std::vector<std::uint8_t>& fileImage) {
  TBitmap loaded;
  ReadBmp(fileImage, loaded);
  TakeFrom(loaded);
}

std::vector<std::uint8_t> TBitmap::SaveToBMP() const { return WriteBmp(*this); }

TCanvas& TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TCanvas>(*this);
  return *canvas_;
}

void TBitmap::Changed() {
  if (OnChange) OnChange();
}

void TBitmap::Assign(const TBitmap& source) {
  if (&source == this) return;
  width_ = source.width_;
  height_ = source.height_;
  rowBytes_ = source.rowBytes_;
  format_ = source.format_;
  palette_ = source.palette_;
  pixels_ = source.pixels_;
  Transparent = source.Transparent;
  TransparentColor = source.TransparentColor;
}

std::unique_ptr<TBitmap> TBitmap::TransparencyMask() const {
  if (!Transparent || Empty()) return nullptr;
  const TColor transparent = TransparentColor.value_or(PixelColor(0, height_ - 1));
  auto mask = std::make_unique<TBitmap>();
  mask->SetPixelFormat(TPixelFormat::pf8bit);
  mask->SetPalette(MakePalette({TPaletteEntry{0, 0, 0, 0}, TPaletteEntry{255, 255, 255, 0}}));
  mask->SetSize(width_, height_);
  for (int y = 0; y < height_; ++y) {
    std::uint8_t* row = mask->ScanLine(y);
    for (int x = 0; x < width_; ++x) row[x] = PixelColor(x, y) == transparent;
  }
  return mask;
}

void TBitmap::TakeFrom(TBitmap& source) {
  width_ = source.width_;
  height_ = source.height_;
  rowBytes_ = source.rowBytes_;
  format_ = source.format_;
  palette_ = std::move(source.palette_);
  pixels_ = std::move(source.pixels_);
}

std::unique_ptr<TBitmap> CreateMaskBitmap(int width, int height, const std::uint8_t* bits) {
  auto mask = std::make_unique<TBitmap>();
  mask->SetPixelFormat(TPixelFormat::pf1bit);  // takes the black and white palette
  mask->SetSize(width, height);
  if (mask->Empty()) return mask;
  if (!bits) throw EGraphicError(kMaskBitsMissingText);
  const std::size_t sourceRowBytes = static_cast<std::size_t>((width + 15) / 16) * 2;
  const std::size_t usedBytes = static_cast<std::size_t>(width + 7) / 8;
  for (int y = 0; y < height; ++y)
    std::copy_n(bits + y * sourceRowBytes, usedBytes, mask->ScanLine(y));
  return mask;
}

}  // namespace lumvane
