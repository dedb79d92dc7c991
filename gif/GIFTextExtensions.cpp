#include "gif/GIFTextExtensions.h"
#include "gif/BlockBytes.h"

namespace lumvane {

const TGIFExtensionClass& TGIFTextExtension::Class() {
  static const TGIFExtensionClass cls{"TGIFTextExtension", kPlainTextLabel, CreateExtension<TGIFTextExtension>,
                                      RefineToSelf};
  return cls;
}

void TGIFTextExtension::SaveToStream(TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  stream.WriteBuffer(TextBlock.data(), TextBlock.size());
  WriteLines(stream, Lines);
}

void TGIFTextExtension::LoadFromStream(TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  ReadExact(stream, TextBlock.data(), TextBlock.size());
  ReadLines(stream, Lines);
}

const TGIFExtensionClass& TGIFCommentExtension::Class() {
  static const TGIFExtensionClass cls{"TGIFCommentExtension", kCommentLabel,
                                      CreateExtension<TGIFCommentExtension>, RefineToSelf};
  return cls;
}

void TGIFCommentExtension::SaveToStream(TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  WriteLines(stream, Lines);
}

void TGIFCommentExtension::LoadFromStream(TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  ReadLines(stream, Lines);
}

}  // namespace lumvane
