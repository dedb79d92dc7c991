#include "gif/GIFGraphicControlExtension.h"

#include "base/Messages.h"
#include "gif/BlockBytes.h"
#include "gif/GIFSubImage.h"

namespace lumvane {

const TGIFExtensionClass& TGIFGraphicControlExtension::Class() {
  static const TGIFExtensionClass cls{"TGIFGraphicControlExtension", kGraphicControlLabel,
                                      CreateExtension<TGIFGraphicControlExtension>, RefineToSelf};
  return cls;
}

TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFSubImage& frame) : TGIFExtension(frame) {
  if (!frame.ControlExtension) frame.ControlExtension = this;
}

TGIFGraphicControlExtension::~TGIFGraphicControlExtension() {
  if (Transparent()) Frame().IsTransparent = false;
  if (Frame().ControlExtension == this) Frame().ControlExtension = nullptr;
}

void TGIFGraphicControlExtension::SaveToStream(TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  stream.WriteBuffer(ControlBlock.data(), ControlBlock.size());
}

void TGIFGraphicControlExtension::LoadFromStream(TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  if (stream.Read(ControlBlock.data(), ControlBlock.size()) < ControlBlock.size())
    ReportWarning(kSeverityDamage, MessageText(TGIFError::PrematureEndOfData));
  else if (Transparent())
    Frame().IsTransparent = true;
}

void TGIFGraphicControlExtension::SetTransparent(bool value) {
  ControlBlock[1] = static_cast<std::uint8_t>(value ? ControlBlock[1] | 0x01 : ControlBlock[1] & ~0x01);
  Frame().IsTransparent = value;
}

void TGIFGraphicControlExtension::SetTransparentIndex(std::uint8_t value) {
  const TGIFColorMap& map = Frame().EffectiveColorMap();
  if (map.Count() > 0 && value >= map.Count()) {
    ReportWarning(kSeverityDamage, MessageText(TGIFError::InvalidColorIndex));
    value = 0;
  }
  ControlBlock[4] = value;
}

}  // namespace lumvane
