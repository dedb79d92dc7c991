#pragma once
// An extension block whose label no registered class knows. Readers skip such blocks, so it
// is kept as it stands, label and data sub-blocks, and a plain save writes it back unchanged.

#include <cstdint>
#include <vector>

#include "gif/GIFApplicationExtensions.h"
#include "gif/GIFExtension.h"

namespace lumvane {

class TGIFUnknownExtension : public TGIFExtension {
public:
  explicit TGIFUnknownExtension(TGIFSubImage& frame) : TGIFExtension(frame) {}

  static const TGIFExtensionClass& Class();
  const TGIFExtensionClass& ExtensionClass() const override { return Class(); }
  std::uint8_t ExtensionLabel() const override { return Label; }
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;

  std::uint8_t Label = 0;
  std::vector<TGIFBlock> RawBlocks;
};

}  // namespace lumvane
