#include "support/GifBytes.h"

namespace lumvane::test {

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes ScreenHeader(int width, int height, std::uint8_t flags, std::string version) {
  Bytes bytes = {'G', 'I', 'F'};
  bytes.insert(bytes.end(), version.begin(), version.end());
  bytes.insert(bytes.end(), {static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(width >> 8),
                             static_cast<std::uint8_t>(height), static_cast<std::uint8_t>(height >> 8),
                             flags, 0, 0});
  if (flags & 0x80) {
    for (int i = 0; i < (2 << (flags & 7)); ++i)
      bytes.insert(bytes.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i),
                                 static_cast<std::uint8_t>(i)});
  }
  return bytes;
}

Bytes ImageDescriptor(int left, int top, int width, int height, std::uint8_t flags) {
  return {0x2C,
          static_cast<std::uint8_t>(left), static_cast<std::uint8_t>(left >> 8),
          static_cast<std::uint8_t>(top), static_cast<std::uint8_t>(top >> 8),
          static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(width >> 8),
          static_cast<std::uint8_t>(height), static_cast<std::uint8_t>(height >> 8),
          flags};
}

Bytes ControlBlock(std::uint8_t flags, int delay, std::uint8_t transparentIndex) {
  return {0x21, 0xF9, 4, flags, static_cast<std::uint8_t>(delay), static_cast<std::uint8_t>(delay >> 8),
          transparentIndex, 0};
}

Bytes PackCodes(const std::vector<std::pair<int, int>>& codesAndWidths) {
  Bytes bytes;
  std::uint32_t accumulator = 0;
  int bits = 0;
  for (const auto& [code, width] : codesAndWidths) {
    accumulator |= static_cast<std::uint32_t>(code) << bits;
    bits += width;
    while (bits >= 8) {
      bytes.push_back(static_cast<std::uint8_t>(accumulator));
      accumulator >>= 8;
      bits -= 8;
    }
  }
  if (bits > 0) bytes.push_back(static_cast<std::uint8_t>(accumulator));
  return bytes;
}

Bytes SubBlocks(const Bytes& data, int blockSize) {
  Bytes bytes;
  for (std::size_t at = 0; at < data.size(); at += blockSize) {
    const std::size_t n = std::min<std::size_t>(blockSize, data.size() - at);
    bytes.push_back(static_cast<std::uint8_t>(n));
    bytes.insert(bytes.end(), data.begin() + at, data.begin() + at + n);
  }
  bytes.push_back(0);
  return bytes;
}

Bytes ImageData(int minCodeSize, const Bytes& packedCodes, int blockSize) {
  return Bytes{static_cast<std::uint8_t>(minCodeSize)} + SubBlocks(packedCodes, blockSize);
}

Loaded LoadBytes(const Bytes& bytes) {
  Loaded loaded;
  loaded.Image->WarningHandler = [&loaded](const TPersistent*, int, const std::string& message) {
    loaded.Warnings.push_back(message);
  };
  TMemoryStream stream(bytes);
  try {
    loaded.Image->LoadFromStream(stream);
  } catch (const std::exception& error) {
    loaded.Error = error.what();
  }
  loaded.Image->WarningHandler = nullptr;
  loaded.EndPosition = stream.Position();
  return loaded;
}

TGIFSubImage& AddFrame(TGIFImage& image, int left, int top, int width, int height) {
  auto frame = std::make_unique<TGIFSubImage>(&image);
  frame->SetGeometry(left, top, width, height);
  TGIFSubImage& added = *frame;
  image.Frames.Add(std::move(frame));
  return added;
}

Bytes SaveBytes(TGIFImage& image) {
  TMemoryStream stream;
  image.SaveToStream(stream);
  return stream.TakeBytes();
}

}  // namespace lumvane::test
