#pragma once
// Byte-level helpers shared by every block reader and writer.

#include <cstdint>
#include <string>
#include <vector>

#include "base/Stream.h"

namespace lumvane {

using TLines = std::vector<std::string>;

// Reads exactly count bytes or throws GIFException "Premature end of data".
void ReadExact(TStream& stream, void* buffer, std::size_t count);

// Reads one byte. At the end of the data it yields 0, which every caller reads as a
// block terminator or an empty size, so that their loops end.
std::uint8_t ReadByte(TStream& stream);

// Reads one byte into value; false at the end of the data.
bool TryReadByte(TStream& stream, std::uint8_t& value);

void WriteByte(TStream& stream, std::uint8_t value);

// Reads a 16-bit little-endian value from two bytes.
inline std::uint16_t ReadLE16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}
inline void WriteLE16(std::uint8_t* bytes, std::uint16_t value) {
  bytes[0] = static_cast<std::uint8_t>(value);
  bytes[1] = static_cast<std::uint8_t>(value >> 8);
}

// Text lines as data sub-blocks: each line in chunks of at most 255 bytes, then a 0. Lines
// without any byte are written as one sub-block holding a zero byte, as the blocks that
// carry text need one.
void WriteLines(TStream& stream, const TLines& lines);
// Each data sub-block becomes one line, zero bytes included: text is bytes, not C strings.
void ReadLines(TStream& stream, TLines& lines);

// Skips data sub-blocks up to and including the terminator; false when the data ends first.
bool SkipSubBlocks(TStream& stream);

}  // namespace lumvane
