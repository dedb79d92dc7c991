#pragma once
// Choosing between two values for pixels that may show either, so that the greedy LZW
// encoder codes the frame shorter.

#include <cstdint>
#include <vector>

#include "lzw/LZWEncoder.h"

namespace lumvane {

// Pixels in sending order, each with the value it has and, where it may take another one
// without changing what the frame shows, that other value (-1 where there is none).
struct TPixelChoices {
  std::vector<std::uint8_t> Values;
  std::vector<std::int16_t> Alternatives;
};

// A code the encoder sends and its width in bits.
struct TSentCode {
  std::uint16_t Code;
  std::uint8_t Width;
};

// Rewrites choices.Values: every string TLZWEncoder(clearAt) will send is the longest one its
// dictionary holds among the strings the choices allow (first found wins a tie, the
// pixel's own value tried first). Running that encoder with minCodeSize on the result then
// parses as this choice did. searchLimit bounds the dictionary nodes looked at per string;
// past it the string is only extended greedily. Returns the size in bytes of the image
// data the encoder then writes (code size byte, sub-blocks, terminator). When sent is
// given, it receives the codes the encoder then sends, from the first clear code to the
// end code.
std::int64_t ChooseLongestStrings(TPixelChoices& choices, int minCodeSize, int searchLimit,
                                  int clearAt = TLZWEncoder::kDefaultClearAt, std::vector<TSentCode>* sent = nullptr);

// Whether the greedy encoder that sent these codes (a choice's record, from the first clear
// code to the end code) came to the lowest clear point, as TLZWEncoder::ReachedClearPoint.
bool ReachedClearPoint(const std::vector<TSentCode>& codes, int minCodeSize);

// Writes the image data of the frame from the codes a choice recorded for its pixels: the
// bytes TLZWEncoder writes for them, without matching the strings again.
void EncodeSentCodes(TStream& stream, int minCodeSize, int colorCount, const TConstFramePixels& frame,
                     const std::vector<TSentCode>& codes);

}  // namespace lumvane
