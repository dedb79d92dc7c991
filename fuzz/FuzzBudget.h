#pragma once
// A cheap walk over GIF bytes, the way the loader walks them, that adds up the pixels the
// frames declare before anything is decoded. The library accepts frames up to 2^28 pixels
// and documents up to 2^31 by design, so a few bytes can legitimately ask for gigabytes;
// the fuzz targets skip such inputs to keep each run within memory and time.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace lumvane::fuzz {

struct TDeclaredSizes {
  std::int64_t LargestFrame = 0;  // pixels of the largest frame
  std::int64_t FramePixels = 0;   // pixels of all frames together
  std::int64_t Screen = 0;        // pixels of the logical screen, grown to hold every frame
  std::int64_t Frames = 0;        // frames with an image
};

class TByteWalker {
public:
  TByteWalker(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool AtEnd() const { return at_ >= size_; }
  int Peek() const { return at_ < size_ ? data_[at_] : -1; }
  int Next() { return at_ < size_ ? data_[at_++] : -1; }
  void Skip(std::size_t count) { at_ = std::min(size_, at_ + count); }
  unsigned LE16(std::size_t offset) const {
    return at_ + offset + 1 < size_ ? data_[at_ + offset] | data_[at_ + offset + 1] << 8 : 0;
  }
  std::size_t Position() const { return at_; }
  void SetPosition(std::size_t at) { at_ = std::min(size_, at); }
  const std::uint8_t* Here() const { return data_ + at_; }
  std::size_t Left() const { return size_ - at_; }
  // Data sub-blocks up to and including the terminator (or the end of the data).
  void SkipSubBlocks() {
    for (int length = Next(); length > 0; length = Next()) Skip(static_cast<std::size_t>(length));
  }

private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

inline bool IsSignature(const std::uint8_t* bytes) {
  const auto upper = [](std::uint8_t c) { return c >= 'a' && c <= 'z' ? c - 32 : c; };
  return upper(bytes[0]) == 'G' && upper(bytes[1]) == 'I' && upper(bytes[2]) == 'F';
}

// Over-counts rather than under-counts: where the walk loses its way, it stops, and so
// does the loader.
inline TDeclaredSizes DeclaredSizes(const std::uint8_t* data, std::size_t size) {
  TDeclaredSizes sizes;
  TByteWalker walk(data, size);
  if (size < 13) return sizes;
  if (!IsSignature(data)) {
    if (size < 17 || !IsSignature(data + 4)) return sizes;
    walk.Skip(4);
  }
  walk.Skip(6);
  std::int64_t screenWidth = walk.LE16(0), screenHeight = walk.LE16(2);
  const int screenFlags = walk.Left() > 4 ? walk.Here()[4] : 0;
  walk.Skip(7);
  if (screenFlags & 0x80) walk.Skip(3u * (2u << (screenFlags & 7)));

  while (!walk.AtEnd()) {
    int byte = walk.Peek();
    if (byte == 0x00) {
      walk.Skip(1);
      continue;
    }
    if (byte == 0x3B || (byte != 0x21 && byte != 0x2C)) break;
    // Extensions ahead of the image.
    while (byte == 0x21) {
      walk.Skip(1);
      const int label = walk.Next();
      if (label == 0xF9) {
        walk.Skip(6);
      } else if (label == 0x01) {
        walk.Skip(13);
        walk.SkipSubBlocks();
      } else if (label == 0xFE) {
        walk.SkipSubBlocks();
      } else if (label == 0xFF) {
        const int blockSize = walk.Next();
        if (blockSize < 10) return sizes;
        walk.Skip(static_cast<std::size_t>(blockSize));
        walk.SkipSubBlocks();
      } else {
        walk.SkipSubBlocks();  // a label no reader knows: its data sub-blocks are skipped
      }
      byte = walk.Peek();
    }
    if (byte < 0 || byte == 0x3B || byte == 0x00) continue;
    // Any other byte starts an image descriptor of 10 bytes.
    if (walk.Left() < 10) break;
    const std::int64_t left = walk.LE16(1), top = walk.LE16(3);
    std::int64_t width = walk.LE16(5), height = walk.LE16(7);
    const int flags = walk.Here()[9];
    walk.Skip(10);
    if (width == 0 || height == 0) {
      width = screenWidth;
      height = screenHeight;
    }
    screenWidth = std::max(screenWidth, left + width);
    screenHeight = std::max(screenHeight, top + height);
    sizes.LargestFrame = std::max(sizes.LargestFrame, width * height);
    sizes.FramePixels += width * height;
    ++sizes.Frames;
    if (flags & 0x80) walk.Skip(3u * (2u << (flags & 7)));
    walk.Skip(1);  // minimum code size
    walk.SkipSubBlocks();
  }
  sizes.Screen = screenWidth * screenHeight;
  return sizes;
}

// Pixel budgets of one fuzz input. The fuzzers learn most from many small inputs, so the
// budgets keep a typical input to a millisecond or so in the instrumented build (about 1 µs
// per pixel to optimize and save, 5 µs to render plain and dithered, a few ns to load) and
// the worst far inside the 10 s timeout.
constexpr std::int64_t kLoadFramePixels = std::int64_t{1} << 18;
constexpr std::int64_t kLoadDocumentPixels = 4 * kLoadFramePixels;
constexpr std::int64_t kOptimizePixels = std::int64_t{1} << 16;
constexpr std::int64_t kRenderPixels = std::int64_t{1} << 16;

// Within the budget of the targets that optimize, composite or save: they walk every frame,
// and each picture composited covers the screen.
inline bool FitsOptimizeBudget(const std::uint8_t* data, std::size_t size) {
  const TDeclaredSizes sizes = DeclaredSizes(data, size);
  return sizes.FramePixels <= kOptimizePixels && (sizes.Frames + 1) * sizes.Screen <= kOptimizePixels;
}

}  // namespace lumvane::fuzz
