#include "gif/GIFApplicationExtensions.h"

#include <cstring>

#include "base/Errors.h"
#include "base/StreamHelpers.h"
#include "gif/BlockBytes.h"

namespace lumvane {
namespace {

// Looks ahead at the application block: its size and identity choose the class.
const TGIFExtensionClass* RefineApplicationClass(const TGIFExtensionClass& self, TStream& stream) {
  const std::int64_t start = stream.Position();
  std::uint8_t size = 0;
  if (!TryReadByte(stream, size)) return nullptr;
  TAppIdentity identity{};
  if (size == 10) {
    if (stream.Read(identity.data(), 10) < 10) return nullptr;
    return &TGIFUnknownAppExtension::Class();
  }
  if (size == 11 && stream.Read(identity.data(), 11) == 11) {
    const TGIFExtensionClass* cls = AppExtensionRegistry().Find(identity);
    return cls ? cls : &TGIFUnknownAppExtension::Class();
  }
  stream.SetPosition(start);
  return &self;
}

}  // namespace

void TGIFBlock::SaveToStream(TStream& stream) const {
  WriteByte(stream, Size());
  stream.WriteBuffer(Bytes.data(), Bytes.size());
}

void TGIFBlock::LoadFromStream(TStream& stream) { ReadExact(stream, Bytes.data(), Bytes.size()); }

const TGIFExtensionClass& TGIFApplicationExtension::Class() {
  static const TGIFExtensionClass cls{"TGIFApplicationExtension", kApplicationLabel,
                                      CreateExtension<TGIFApplicationExtension>,
                                      RefineApplicationClass};
  return cls;
}

void TGIFApplicationExtension::SaveToStream(TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  WriteByte(stream, BlockSize);
  stream.WriteBuffer(Identity.data(), BlockSize);
  WritePayload(stream);
}

void TGIFApplicationExtension::LoadFromStream(TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  const std::uint8_t size = ReadByte(stream);
  if (size < 10) throw GIFException(TGIFError::UnsupportedApplicationBlockSize);
  Identity.fill(0);
  BlockSize = size == 10 ? 10 : 11;
  ReadExact(stream, Identity.data(), BlockSize);
  stream.Seek(size - BlockSize, TSeekOrigin::Current);
  ReadPayload(stream);
}

void TGIFApplicationExtension::WritePayload(TStream&) {
  throw GIFException(TGIFError::UnsupportedApplicationBlockSize);
}

void TGIFApplicationExtension::ReadPayload(TStream&) {
  throw GIFException(TGIFError::UnsupportedApplicationBlockSize);
}

const TGIFExtensionClass& TGIFUnknownAppExtension::Class() {
  static const TGIFExtensionClass cls{"TGIFUnknownAppExtension", kApplicationLabel,
                                      CreateExtension<TGIFUnknownAppExtension>,
                                      RefineApplicationClass};
  return cls;
}

void TGIFUnknownAppExtension::WritePayload(TStream& stream) {
  for (const TGIFBlock& block : RawBlocks) block.SaveToStream(stream);
  WriteByte(stream, 0);
}

void TGIFUnknownAppExtension::ReadPayload(TStream& stream) {
  RawBlocks.clear();
  std::uint8_t size = 0;
  while (TryReadByte(stream, size) && size != 0) {
    TGIFBlock block(size);
    block.LoadFromStream(stream);
    RawBlocks.push_back(std::move(block));
  }
}

const TGIFExtensionClass& TGIFAppExtNSLoop::Class() {
  static const TGIFExtensionClass cls{"TGIFAppExtNSLoop", kApplicationLabel, CreateExtension<TGIFAppExtNSLoop>,
                                      RefineApplicationClass};
  return cls;
}

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage& frame) : TGIFApplicationExtension(frame) {
  std::memcpy(Identity.data(), "NETSCAPE2.0", Identity.size());
}

void TGIFAppExtNSLoop::WritePayload(TStream& stream) {
  const std::uint8_t loop[4] = {3, 1, static_cast<std::uint8_t>(LoopCount),
                                static_cast<std::uint8_t>(LoopCount >> 8)};
  if (HasLoopCount) stream.WriteBuffer(loop, sizeof loop);
  if (BufferBytes != 0) {
    const std::uint8_t buffer[6] = {5, 2, static_cast<std::uint8_t>(BufferBytes),
                                    static_cast<std::uint8_t>(BufferBytes >> 8),
                                    static_cast<std::uint8_t>(BufferBytes >> 16),
                                    static_cast<std::uint8_t>(BufferBytes >> 24)};
    stream.WriteBuffer(buffer, sizeof buffer);
  }
  WriteByte(stream, 0);
}

void TGIFAppExtNSLoop::ReadPayload(TStream& stream) {
  HasLoopCount = false;
  for (int size = ReadByte(stream); size != 0; size = ReadByte(stream)) {
    const int id = ReadByte(stream) & 7;
    --size;
    if (id == 1) {
      if (size < 2) throw GIFException(TGIFError::InvalidGIFData);
      std::uint8_t bytes[2];
      ReadExact(stream, bytes, sizeof bytes);
      LoopCount = ReadLE16(bytes);
      HasLoopCount = true;
      size -= 2;
    } else if (id == 2) {
      if (size < 4) throw GIFException(TGIFError::InvalidGIFData);
      std::uint8_t bytes[4];
      ReadExact(stream, bytes, sizeof bytes);
      BufferBytes = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
      size -= 4;
    }
    if (size > 0) stream.Seek(size, TSeekOrigin::Current);
  }
}

}  // namespace lumvane
