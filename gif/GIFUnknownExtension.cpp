#include "gif/GIFUnknownExtension.h"

#include "base/Errors.h"
#include "base/StreamHelpers.h"
#include "gif/BlockBytes.h"

namespace lumvane {

const TGIFExtensionClass& TGIFUnknownExtension::Class() {
  // No label of its own: every instance keeps the label it was read with.
  static const TGIFExtensionClass cls{"TGIFUnknownExtension", 0x00, CreateExtension<TGIFUnknownExtension>,
                                      RefineToSelf};
  return cls;
}

void TGIFUnknownExtension::SaveToStream(TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  for (const TGIFBlock& block : RawBlocks) block.SaveToStream(stream);
  WriteByte(stream, 0);
}

void TGIFUnknownExtension::LoadFromStream(TStream& stream) {
  std::uint8_t bytes[2];
  ReadExact(stream, bytes, sizeof bytes);
  if (bytes[0] != kExtensionIntroducer) throw GIFException(TGIFError::InvalidExtensionIntroducer);
  Label = bytes[1];
  RawBlocks.clear();
  std::uint8_t size = 0;
  while (TryReadByte(stream, size) && size != 0) {
    RawBlocks.emplace_back(size);
    RawBlocks.back().LoadFromStream(stream);
  }
}

}  // namespace lumvane
