#include "base/StreamHelpers.h"

#include <algorithm>

#include "base/Errors.h"

namespace lumvane {

void ReadExact(TStream& stream, void* buffer, std::size_t count) {
  if (stream.Read(buffer, count) != count) throw GIFException(TGIFError::PrematureEndOfData);
}

bool TryReadByte(TStream& stream, std::uint8_t& value) { return stream.Read(&value, 1) == 1; }

std::uint8_t ReadByte(TStream& stream) {
  std::uint8_t value = 0;
  return TryReadByte(stream, value) ? value : 0;
}

void WriteByte(TStream& stream, std::uint8_t value) { stream.WriteBuffer(&value, 1); }

void WriteLines(TStream& stream, const TLines& lines) {
  // The blocks that carry text need at least one data sub-block: no text is one zero byte.
  if (std::all_of(lines.begin(), lines.end(), [](const std::string& line) { return line.empty(); })) {
    const std::uint8_t empty[3] = {1, 0, 0};
    stream.WriteBuffer(empty, sizeof empty);
    return;
  }
  for (const std::string& line : lines) {
    for (std::size_t at = 0; at < line.size();) {
      const std::size_t chunk = std::min<std::size_t>(line.size() - at, 255);
      WriteByte(stream, static_cast<std::uint8_t>(chunk));
      stream.WriteBuffer(line.data() + at, chunk);
      at += chunk;
    }
  }
  WriteByte(stream, 0);
}

void ReadLines(TStream& stream, TLines& lines) {
  lines.clear();
  std::uint8_t size = 0;
  char chunk[255];
  while (TryReadByte(stream, size) && size != 0) {
    ReadExact(stream, chunk, size);
    lines.emplace_back(chunk, size);
  }
}

bool SkipSubBlocks(TStream& stream) {
  std::uint8_t size = 0;
  while (TryReadByte(stream, size)) {
    if (size == 0) return true;
    if (stream.Remaining() < size) break;
    stream.Seek(size, TSeekOrigin::Current);
  }
  stream.Seek(0, TSeekOrigin::End);
  return false;
}

}  // namespace lumvane
