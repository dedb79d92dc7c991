#include "gif/DeclaredPixels.h"

#include <array>

#include "base/StreamHelpers.h"
#include "gif/BlockBytes.h"

namespace lumvane {

std::int64_t DeclaredPixels(TStream& stream, int screenWidth, int screenHeight) {
  const std::int64_t start = stream.Position();
  std::int64_t total = 0;
  std::uint8_t byte = 0;
  while (TryReadByte(stream, byte)) {
    if (byte == 0x00) continue;
    if (byte == kExtensionIntroducer) {
      std::uint8_t label = 0;
      if (!TryReadByte(stream, label) || !SkipSubBlocks(stream)) break;
      continue;
    }
    if (byte != kImageSeparator) break;
    std::array<std::uint8_t, 9> descriptor{};
    if (stream.Read(descriptor.data(), descriptor.size()) != descriptor.size()) break;
    int width = ReadLE16(&descriptor[4]);
    int height = ReadLE16(&descriptor[6]);
    if (width == 0 || height == 0) {
      width = screenWidth;
      height = screenHeight;
    }
    total += std::int64_t{width} * height;
    const std::uint8_t flags = descriptor[8];
    if (flags & 0x80) stream.Seek(3 * (2 << (flags & 7)), TSeekOrigin::Current);
    std::uint8_t codeSize = 0;
    if (!TryReadByte(stream, codeSize) || !SkipSubBlocks(stream)) break;
  }
  stream.SetPosition(start);
  return total;
}

std::int64_t DeclaredFilePixels(TStream& stream) {
  std::array<std::uint8_t, 13> header{};
  if (stream.Read(header.data(), header.size()) != header.size() || header[0] != 'G' || header[1] != 'I' ||
      header[2] != 'F')
    return 0;
  const std::uint8_t flags = header[10];
  if (flags & 0x80) stream.Seek(3 * (2 << (flags & 7)), TSeekOrigin::Current);
  return DeclaredPixels(stream, ReadLE16(&header[6]), ReadLE16(&header[8]));
}

}  // namespace lumvane
