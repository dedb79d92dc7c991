#include "gfx/IconGraphic.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "base/Errors.h"
#include "base/StreamHelpers.h"
#include "gfx/Canvas.h"

namespace lumvane {
namespace {

constexpr std::size_t kDirectorySize = 6;
constexpr std::size_t kEntrySize = 16;
constexpr std::size_t kInfoHeaderSize = 40;
// Icon images are at most 256 pixels square; larger declarations are not icons.
constexpr int kMaxSide = 256;

std::uint32_t Le32(const std::uint8_t* bytes) {
  return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}
int Le16(const std::uint8_t* bytes) { return bytes[0] | (bytes[1] << 8); }

[[noreturn]] void Invalid(const char* why) { throw EInvalidGraphic(kInvalidIconText + std::string(why)); }

struct TIconEntry {
  int Side = 0;  // width × height, for choosing
  int Bits = 0;
  std::uint32_t Offset = 0;
  std::uint32_t Size = 0;
};

// One image of the file: a device-independent bitmap whose height counts the image and the
// mask below it, the mask one bit per pixel, both bottom-up with rows padded to 4 bytes.
void DecodeImage(const std::uint8_t* data, std::size_t size, TBitmap& image, TBitmap& mask) {
  if (size < kInfoHeaderSize) Invalid("image header is truncated");
  const std::uint32_t headerSize = Le32(data);
  if (headerSize < kInfoHeaderSize || headerSize > size) Invalid("unsupported image header");
  const auto width = static_cast<std::int32_t>(Le32(data + 4));
  const auto doubledHeight = static_cast<std::int32_t>(Le32(data + 8));
  const int bits = Le16(data + 14);
  const std::uint32_t compression = Le32(data + 16);
  const std::uint32_t colorsUsed = Le32(data + 32);
  if (width <= 0 || width > kMaxSide || doubledHeight <= 0 || doubledHeight > 2 * kMaxSide)
    Invalid("image size out of range");
  if (compression != 0) Invalid("unsupported compression");
  const int height = doubledHeight / 2;
  if (height == 0) Invalid("image size out of range");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) Invalid("unsupported bit depth");

  std::size_t tableCount = 0;
  if (bits <= 8) {
    const std::uint32_t addressable = 1u << bits;
    if (colorsUsed > addressable) Invalid("color table too large");
    tableCount = colorsUsed ? colorsUsed : addressable;
  }
  const std::size_t tableStart = headerSize;
  const std::size_t pixelStart = tableStart + 4 * tableCount;
  const std::size_t rowBytes = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
  const std::size_t maskRowBytes = ((static_cast<std::size_t>(width) + 31) / 32) * 4;
  const std::size_t maskStart = pixelStart + rowBytes * height;
  // A missing mask is tolerated for 32-bit images, whose alpha channel says the same.
  const bool hasMask = maskStart + maskRowBytes * height <= size;
  if (maskStart > size || (!hasMask && bits != 32)) Invalid("image data is truncated");

  image.SetPixelFormat(TPixelFormat::pf24bit);
  image.SetSize(width, height);
  mask.SetPixelFormat(TPixelFormat::pf1bit);  // black and white, all clear
  mask.SetSize(width, height);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* source = data + pixelStart + rowBytes * (height - 1 - y);
    const std::uint8_t* andRow = hasMask ? data + maskStart + maskRowBytes * (height - 1 - y) : nullptr;
    std::uint8_t* target = image.ScanLine(y);
    std::uint8_t* maskRow = mask.ScanLine(y);
    for (int x = 0; x < width; ++x) {
      std::uint8_t blue = 0, green = 0, red = 0;
      bool seeThrough = andRow && ((andRow[x / 8] >> (7 - x % 8)) & 1);
      if (bits <= 8) {
        const int shift = 8 - bits - (x * bits) % 8;
        const std::size_t index = (source[x * bits / 8] >> shift) & ((1 << bits) - 1);
        if (index < tableCount) {
          const std::uint8_t* quad = data + tableStart + 4 * index;
          blue = quad[0], green = quad[1], red = quad[2];
        }
      } else {
        const std::uint8_t* pixel = source + x * (bits / 8);
        blue = pixel[0], green = pixel[1], red = pixel[2];
        if (bits == 32) seeThrough = pixel[3] < 128;
      }
      target[x * 3] = blue, target[x * 3 + 1] = green, target[x * 3 + 2] = red;
      if (seeThrough) maskRow[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
  }
}

}  // namespace

void TIcon::LoadFromStream(TStream& stream) {
  const std::int64_t remaining = stream.Remaining();
  if (remaining > std::numeric_limits<std::int32_t>::max()) Invalid("file too large");
  std::vector<std::uint8_t> file(static_cast<std::size_t>(std::max<std::int64_t>(remaining, 0)));
  ReadExact(stream, file.data(), file.size());
  if (file.size() < kDirectorySize || Le16(file.data()) != 0 || Le16(file.data() + 2) != 1)
    Invalid("not an icon file");
  const int count = Le16(file.data() + 4);
  if (count == 0) Invalid("no images");
  if (kDirectorySize + kEntrySize * count > file.size()) Invalid("directory is truncated");

  std::optional<TIconEntry> best;
  for (int i = 0; i < count; ++i) {
    const std::uint8_t* entry = file.data() + kDirectorySize + kEntrySize * i;
    TIconEntry candidate;
    candidate.Side = (entry[0] ? entry[0] : 256) * (entry[1] ? entry[1] : 256);
    candidate.Bits = Le16(entry + 6);
    candidate.Size = Le32(entry + 8);
    candidate.Offset = Le32(entry + 12);
    if (candidate.Offset > file.size() || candidate.Size > file.size() - candidate.Offset) Invalid("image outside the file");
    const bool png = candidate.Size >= 4 && file[candidate.Offset] == 0x89 && file[candidate.Offset + 1] == 'P';
    if (png) continue;
    if (!best || candidate.Side > best->Side || (candidate.Side == best->Side && candidate.Bits > best->Bits))
      best = candidate;
  }
  if (!best) Invalid("only PNG images, which are not supported");

  auto image = std::make_unique<TBitmap>();
  auto mask = std::make_unique<TBitmap>();
  DecodeImage(file.data() + best->Offset, best->Size, *image, *mask);
  file_ = std::move(file);
  image_ = std::move(image);
  mask_ = std::move(mask);
  Changed();
}

void TIcon::SaveToStream(TStream& stream) { stream.WriteBuffer(file_.data(), file_.size()); }

void TIcon::Draw(TCanvas& canvas, const TRect& rect) {
  if (!image_) return;
  canvas.DrawMasked(rect, *image_, *mask_);
  canvas.Changed();
}

}  // namespace lumvane
