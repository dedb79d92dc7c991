#pragma once
// giflib as the independent peer: what it decodes from bytes, and what its encoder writes.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumvane::test {

// One extension block as DGifSlurp keeps it: an introducing block with the label as its
// function, followed by its further sub-blocks with function CONTINUE_EXT_FUNC_CODE.
struct GiflibBlock {
  int Function = 0;
  std::vector<std::uint8_t> Bytes;
};

struct GiflibFrame {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool Interlaced = false;
  std::vector<std::uint8_t> LocalColorMap;  // red, green, blue triples; empty without one
  std::vector<std::uint8_t> Pixels;         // display order
  std::vector<GiflibBlock> Extensions;      // the blocks before the image
};

struct GiflibFile {
  int Width = 0, Height = 0;
  std::vector<std::uint8_t> GlobalColorMap;
  std::vector<GiflibFrame> Frames;
  std::vector<GiflibBlock> TrailingExtensions;  // the blocks after the last image
};

// The file as giflib reads it whole; none (and the error text) when giflib fails.
std::optional<GiflibFile> GiflibRead(const std::vector<std::uint8_t>& bytes, std::string* error = nullptr);

// A one-frame GIF written by giflib's encoder: a gray global table of 2^bits entries.
std::vector<std::uint8_t> GiflibWrite(int width, int height, int bits, bool interlaced,
                                      const std::vector<std::uint8_t>& pixels);

}  // namespace lumvane::test
