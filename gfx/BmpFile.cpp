#include "gfx/BmpFile.h"

#include <algorithm>
#include <limits>

#include "base/Errors.h"

namespace lumvane {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;

std::uint32_t GetLE32(const std::uint8_t* bytes) {
  return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
         (static_cast<std::uint32_t>(bytes[3]) << 24);
}

void PutLE(std::uint8_t* bytes, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

TPixelFormat FormatOfBits(int bits) {
  switch (bits) {
    case 1: return TPixelFormat::pf1bit;
    case 4: return TPixelFormat::pf4bit;
    case 8: return TPixelFormat::pf8bit;
    case 24: return TPixelFormat::pf24bit;
    default: throw EGraphicError(kUnsupportedBMPBitDepthText);
  }
}

}  // namespace

void ReadBmp(const std::vector<std::uint8_t>& file, TBitmap& bitmap) {
  const std::uint8_t* data = file.data();
  const std::uint64_t size = file.size();
  if (size < 2 || data[0] != 'B' || data[1] != 'M') throw EGraphicError(kInvalidBMPSignatureText);
  if (size < kFileHeaderSize + kInfoHeaderSize) throw EGraphicError(kBMPHeaderTruncatedText);
  const std::uint64_t pixelOffset = GetLE32(data + 10);
  const std::uint64_t headerSize = GetLE32(data + 14);
  if (headerSize < kInfoHeaderSize) throw EGraphicError(kUnsupportedBMPHeaderSizeText);
  if (kFileHeaderSize + headerSize > size) throw EGraphicError(kBMPHeaderTruncatedText);

  const auto width = static_cast<std::int32_t>(GetLE32(data + 18));
  const auto height = static_cast<std::int32_t>(GetLE32(data + 22));
  const int bits = data[28] | (data[29] << 8);
  const std::uint32_t compression = GetLE32(data + 30);
  const std::uint32_t colorsUsed = GetLE32(data + 46);
  if (width < 0 || height == std::numeric_limits<std::int32_t>::min())
    throw EGraphicError(kInvalidBMPSizeText);
  const TPixelFormat format = FormatOfBits(bits);
  if (compression != 0) throw EGraphicError(kUnsupportedBMPCompressionText);

  // 24-bit files may carry a color table as a display hint; it is skipped.
  std::uint64_t tableCount = 0;
  if (bits <= 8) {
    const std::uint32_t addressable = 1u << bits;
    if (colorsUsed > addressable) throw EGraphicError(kInvalidBMPColorTableSizeText);
    tableCount = colorsUsed != 0 ? colorsUsed : addressable;
  }
  const std::uint64_t tableStart = kFileHeaderSize + headerSize;
  const std::uint64_t tableEnd = tableStart + 4 * tableCount;
  if (tableEnd > size) throw EGraphicError(kBMPColorTableTruncatedText);
  if (pixelOffset < tableEnd || pixelOffset > size)
    throw EGraphicError(kInvalidBMPPixelDataOffsetText);

  const std::int64_t rows = height < 0 ? -std::int64_t{height} : height;
  const std::int64_t rowBytes = RowBytesFor(width, format);
  if (rows != 0 && static_cast<std::uint64_t>(rowBytes) > (size - pixelOffset) / rows)
    throw EGraphicError(kBMPPixelDataTruncatedText);

  bitmap.SetPixelFormat(format);
  if (bits <= 8) {
    std::vector<TPaletteEntry> entries(tableCount);
    for (std::uint64_t i = 0; i < tableCount; ++i) {
      const std::uint8_t* quad = data + tableStart + 4 * i;
      entries[i] = {quad[2], quad[1], quad[0], 0};
    }
    bitmap.SetPalette(MakePalette(std::move(entries)));
  }
  bitmap.SetSize(width, static_cast<int>(rows));
  const std::size_t usedBytes = static_cast<std::size_t>((std::int64_t{width} * bits + 7) / 8);
  for (std::int64_t i = 0; i < rows; ++i) {
    const std::uint8_t* source = data + pixelOffset + i * rowBytes;
    const int row = static_cast<int>(height > 0 ? rows - 1 - i : i);
    std::copy_n(source, usedBytes, bitmap.ScanLine(row));
  }
}

std::vector<std::uint8_t> WriteBmp(const TBitmap& bitmap) {
  const int bits = bitmap.BitsPerPixel();
  const TPaletteHandle palette = bitmap.Palette();
  // A table of 0 entries would mean a full one to readers, so a bitmap without a palette
  // gets a black table, which is how its pixels show.
  std::size_t tableCount = 0;
  if (bits <= 8) {
    const int addressable = 1 << bits;
    tableCount = palette && palette->Count() > 0 ? std::min(palette->Count(), addressable)
                                                 : addressable;
  }
  const std::size_t pixelOffset = kFileHeaderSize + kInfoHeaderSize + 4 * tableCount;
  const std::size_t rowBytes = bitmap.RowBytes();
  const std::size_t imageSize = rowBytes * bitmap.Height();
  std::vector<std::uint8_t> file(pixelOffset + imageSize, 0);

  std::uint8_t* header = file.data();
  header[0] = 'B';
  header[1] = 'M';
  PutLE(header + 2, static_cast<std::uint32_t>(file.size()), 4);
  PutLE(header + 10, static_cast<std::uint32_t>(pixelOffset), 4);
  PutLE(header + 14, kInfoHeaderSize, 4);
  PutLE(header + 18, bitmap.Width(), 4);
  PutLE(header + 22, bitmap.Height(), 4);
  PutLE(header + 26, 1, 2);  // planes
  PutLE(header + 28, bits, 2);
  PutLE(header + 34, static_cast<std::uint32_t>(imageSize), 4);
  PutLE(header + 38, 2835, 4);  // 72 dots per inch, in dots per meter
  PutLE(header + 42, 2835, 4);
  PutLE(header + 46, static_cast<std::uint32_t>(tableCount), 4);

  for (std::size_t i = 0; palette && i < tableCount && i < palette->Entries().size(); ++i) {
    const TPaletteEntry& entry = palette->Entries()[i];
    std::uint8_t* quad = header + kFileHeaderSize + kInfoHeaderSize + 4 * i;
    quad[0] = entry.Blue;
    quad[1] = entry.Green;
    quad[2] = entry.Red;
  }
  for (int row = 0; row < bitmap.Height(); ++row)
    std::copy_n(bitmap.ScanLine(row), rowBytes,
                header + pixelOffset + (bitmap.Height() - 1 - row) * rowBytes);
  return file;
}

}  // namespace lumvane
