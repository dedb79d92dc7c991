#include "gfx/RowAccess.h"

#include <algorithm>
#include <new>

#include "base/Errors.h"

namespace lumvane {
namespace {

void PutLE(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

TPaletteHandle WebPalette() {
  static const TPaletteHandle palette = [] {
    std::vector<TPaletteEntry> entries;
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b)
          entries.push_back(TPaletteEntry{static_cast<std::uint8_t>(51 * r), static_cast<std::uint8_t>(51 * g),
                                          static_cast<std::uint8_t>(51 * b), 0});
    return MakePalette(std::move(entries));
  }();
  return palette;
}

TDIBReader::TDIBReader(TBitmap& bitmap, TPixelFormat format) : bitmap_(bitmap) { bitmap.SetPixelFormat(format); }

TDIBWriter::TDIBWriter(TBitmap& bitmap, TPixelFormat format, int width, int height, TPaletteHandle palette)
    : bitmap_(bitmap), width_(width), height_(height), palette_(std::move(palette)) {
  if (format != TPixelFormat::pf8bit && format != TPixelFormat::pf24bit)
    throw GIFException(TGIFError::UnsupportedPixelFormat);
  if (width <= 0 || height <= 0) throw GIFException(TGIFError::InvalidImageDimensions);
  bitsPerPixel_ = format == TPixelFormat::pf8bit ? 8 : 24;
}

void TDIBWriter::EnsureMemory() {
  if (!pixels_.empty()) return;
  const bool indexed = bitsPerPixel_ == 8;
  try {
    header_.assign(40 + (indexed ? 256 * 4 : 0), 0);
    PutLE(header_, 0, 40, 4);
    PutLE(header_, 4, static_cast<std::uint32_t>(width_), 4);
    PutLE(header_, 8, static_cast<std::uint32_t>(height_), 4);
    PutLE(header_, 12, 1, 2);
    PutLE(header_, 14, static_cast<std::uint32_t>(bitsPerPixel_), 2);
    if (indexed) {
      const int count = palette_ ? std::min(palette_->Count(), 256) : 0;
      PutLE(header_, 32, 256, 4);
      PutLE(header_, 36, static_cast<std::uint32_t>(count), 4);
      for (int i = 0; i < count; ++i) {
        const TPaletteEntry& entry = (*palette_)[i];
        header_[40 + i * 4] = entry.Blue;
        header_[40 + i * 4 + 1] = entry.Green;
        header_[40 + i * 4 + 2] = entry.Red;
      }
    }
    rowBytes_ = (static_cast<std::size_t>(width_) * bitsPerPixel_ + 31) / 32 * 4;
    pixels_.assign(rowBytes_ * height_, 0);
  } catch (const std::bad_alloc&) {
    header_.clear();
    pixels_.clear();
    throw EOutOfMemory(kDIBAllocationFailedText);
  }
}

std::uint8_t* TDIBWriter::RowPointer(int row) {
  EnsureMemory();
  if (pixels_.empty()) throw GIFException(TGIFError::ImageHasNoDIB);
  if (row < 0 || row >= height_) throw EGraphicError(kScanLineOutOfRangeText);
  return pixels_.data() + static_cast<std::size_t>(height_ - 1 - row) * rowBytes_;
}

void TDIBWriter::Commit() {
  if (pixels_.empty()) return;
  std::vector<std::uint8_t> file(14 + header_.size() + pixels_.size());
  file[0] = 'B';
  file[1] = 'M';
  PutLE(file, 2, static_cast<std::uint32_t>(file.size()), 4);
  PutLE(file, 10, static_cast<std::uint32_t>(14 + header_.size()), 4);
  std::copy(pixels_.begin(), pixels_.end(), std::copy(header_.begin(), header_.end(), file.begin() + 14));
  header_.clear();
  pixels_.clear();
  bitmap_.LoadFromBMP(file);
}

}  // namespace lumvane
