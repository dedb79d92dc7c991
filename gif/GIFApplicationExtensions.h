#pragma once
// Application extensions: the base class, the looping extension and the unknown
// application extension that keeps foreign data verbatim.

#include <cstdint>
#include <vector>

#include "gif/GIFExtension.h"

namespace lumvane {

// One data sub-block kept as read.
struct TGIFBlock {
  explicit TGIFBlock(std::uint8_t size) : Bytes(size, 0) {}
  std::uint8_t Size() const { return static_cast<std::uint8_t>(Bytes.size()); }
  void SaveToStream(TStream& stream) const;
  void LoadFromStream(TStream& stream);

  std::vector<std::uint8_t> Bytes;
};

class TGIFApplicationExtension : public TGIFExtension {
public:
  explicit TGIFApplicationExtension(TGIFSubImage& frame) : TGIFExtension(frame) {}

  static const TGIFExtensionClass& Class();
  const TGIFExtensionClass& ExtensionClass() const override { return Class(); }
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;

  // The sub-blocks after the identity. The base class knows no payload: reading or
  // writing one fails, so a block that no subclass claims fails the load.
  virtual void WritePayload(TStream& stream);
  virtual void ReadPayload(TStream& stream);

  // Application identifier (8 bytes) and authentication code (3 bytes).
  TAppIdentity Identity{};
  // 11 for a new block; a block of size 10 is written back with size 10.
  std::uint8_t BlockSize = 11;
};

class TGIFUnknownAppExtension : public TGIFApplicationExtension {
public:
  using TGIFApplicationExtension::TGIFApplicationExtension;

  static const TGIFExtensionClass& Class();
  const TGIFExtensionClass& ExtensionClass() const override { return Class(); }
  void WritePayload(TStream& stream) override;
  void ReadPayload(TStream& stream) override;

  std::vector<TGIFBlock> RawBlocks;
};

// The looping extension ("NETSCAPE2.0" or "ANIMEXTS1.0"): loop count and buffer size.
class TGIFAppExtNSLoop : public TGIFApplicationExtension {
public:
  explicit TGIFAppExtNSLoop(TGIFSubImage& frame);

  static const TGIFExtensionClass& Class();
  const TGIFExtensionClass& ExtensionClass() const override { return Class(); }
  void WritePayload(TStream& stream) override;
  void ReadPayload(TStream& stream) override;

  std::uint16_t LoopCount = 0;
  // A block read without a loop sub-block means "play once" to viewers, and is written
  // back without one.
  bool HasLoopCount = true;
  std::uint32_t BufferBytes = 0;
};

}  // namespace lumvane
