#pragma once
// Building GIF byte sequences by hand for tests, independently of the library's writer.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "gif/GIFImage.h"

namespace lumvane::test {

using Bytes = std::vector<std::uint8_t>;

Bytes operator+(Bytes a, const Bytes& b);

// "GIF89a", the screen descriptor and, with flags bit 7, a table of gray levels 0, 1, 2...
Bytes ScreenHeader(int width, int height, std::uint8_t flags = 0x80, std::string version = "89a");
// An image descriptor without local table.
Bytes ImageDescriptor(int left, int top, int width, int height, std::uint8_t flags = 0);
// A graphic control extension.
Bytes ControlBlock(std::uint8_t flags, int delay, std::uint8_t transparentIndex);
// Codes of the given widths packed least significant bit first.
Bytes PackCodes(const std::vector<std::pair<int, int>>& codesAndWidths);
// Data as sub-blocks of at most blockSize bytes, with the terminator.
Bytes SubBlocks(const Bytes& data, int blockSize = 255);
// Minimum code size, then data in sub-blocks with the terminator.
Bytes ImageData(int minCodeSize, const Bytes& packedCodes, int blockSize = 255);

// Loads bytes into a new document, collecting the warnings.
struct Loaded {
  std::unique_ptr<TGIFImage> Image = std::make_unique<TGIFImage>();
  std::vector<std::string> Warnings;
  std::string Error;  // empty when the load succeeded
  std::int64_t EndPosition = 0;
};
Loaded LoadBytes(const Bytes& bytes);

// Appends a new frame of the given geometry (zero-filled pixels) to the document.
TGIFSubImage& AddFrame(TGIFImage& image, int left, int top, int width, int height);

// Saves a document into bytes.
Bytes SaveBytes(TGIFImage& image);

}  // namespace lumvane::test
