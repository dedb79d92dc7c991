#include "gif/BlockScan.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "base/StreamHelpers.h"
#include "gif/BlockBytes.h"

namespace lumvane {
namespace {

constexpr int kDescriptorRest = 9;  // an image descriptor after its first byte
constexpr int kControlBlock = 6;    // what the reader takes after a control extension's label
constexpr int kTextBlock = 13;      // what the reader takes after a plain text label, whatever its size byte says
constexpr int kShortestApplicationBlock = 10;

// Seeking stops at the end of the data, where the next read fails.
void Skip(TStream& stream, std::int64_t count) { stream.Seek(count, TSeekOrigin::Current); }

// A color table announced by descriptor flags.
void SkipColorTable(TStream& stream, std::uint8_t flags) {
  if (flags & 0x80) Skip(stream, 3 * (2 << (flags & 7)));
}

// One extension after its introducer, as its class reads it; false where the reader stops.
bool SkipExtension(TStream& stream) {
  std::uint8_t label = 0;
  if (!TryReadByte(stream, label)) return false;
  if (label == kGraphicControlLabel) {
    Skip(stream, kControlBlock);
    return true;
  }
  if (label == kPlainTextLabel) Skip(stream, kTextBlock);
  if (label == kApplicationLabel) {
    std::uint8_t size = 0;
    if (!TryReadByte(stream, size) || size < kShortestApplicationBlock) return false;
    Skip(stream, size);
  }
  return SkipSubBlocks(stream);
}

bool IsSignature(const std::array<std::uint8_t, 6>& bytes) {
  return std::toupper(bytes[0]) == 'G' && std::toupper(bytes[1]) == 'I' && std::toupper(bytes[2]) == 'F';
}

}  // namespace

std::int64_t TBlockScan::FramePixels() const {
  std::int64_t total = 0;
  for (const TRect& frame : Frames) total += std::int64_t{frame.Right - frame.Left} * (frame.Bottom - frame.Top);
  return total;
}

std::int64_t TBlockScan::LargestFrame() const {
  std::int64_t largest = 0;
  for (const TRect& frame : Frames)
    largest = std::max(largest, std::int64_t{frame.Right - frame.Left} * (frame.Bottom - frame.Top));
  return largest;
}

TRect TBlockScan::Bounds() const {
  TRect bounds{0, 0, ScreenWidth, ScreenHeight};
  for (const TRect& frame : Frames) {
    bounds.Right = std::max(bounds.Right, frame.Right);
    bounds.Bottom = std::max(bounds.Bottom, frame.Bottom);
  }
  return bounds;
}

TBlockScan ScanBlocks(TStream& stream, int screenWidth, int screenHeight) {
  const std::int64_t start = stream.Position();
  TBlockScan scan{screenWidth, screenHeight, {}};
  std::uint8_t byte = 0;
  while (TryReadByte(stream, byte)) {
    if (byte == 0x00) continue;
    if (byte != kExtensionIntroducer && byte != kImageSeparator) break;
    bool lost = false;
    while (byte == kExtensionIntroducer && !lost) lost = !SkipExtension(stream) || !TryReadByte(stream, byte);
    if (lost || byte == kTrailer) break;
    if (byte == 0x00) continue;  // extensions without an image
    // Any other byte starts an image descriptor.
    std::array<std::uint8_t, kDescriptorRest> descriptor{};
    if (stream.Read(descriptor.data(), descriptor.size()) != descriptor.size()) break;
    const int left = ReadLE16(&descriptor[0]), top = ReadLE16(&descriptor[2]);
    int width = ReadLE16(&descriptor[4]), height = ReadLE16(&descriptor[6]);
    if (width == 0 || height == 0) {
      width = screenWidth;
      height = screenHeight;
    }
    scan.Frames.push_back(TRect{left, top, left + width, top + height});
    SkipColorTable(stream, descriptor[8]);
    std::uint8_t codeSize = 0;
    if (!TryReadByte(stream, codeSize) || !SkipSubBlocks(stream)) break;
  }
  stream.SetPosition(start);
  return scan;
}

TBlockScan ScanFile(TStream& stream) {
  const std::int64_t start = stream.Position();
  std::array<std::uint8_t, 6> signature{};
  const auto readSignature = [&] { return stream.Read(signature.data(), signature.size()) == signature.size(); };
  if (!readSignature() || !IsSignature(signature)) {
    stream.SetPosition(start + 4);
    if (!readSignature() || !IsSignature(signature)) {
      stream.SetPosition(start);
      return {};
    }
  }
  std::array<std::uint8_t, 7> screen{};
  TBlockScan scan;
  if (stream.Read(screen.data(), screen.size()) == screen.size()) {
    SkipColorTable(stream, screen[4]);
    scan = ScanBlocks(stream, ReadLE16(&screen[0]), ReadLE16(&screen[2]));
  }
  stream.SetPosition(start);
  return scan;
}

}  // namespace lumvane
