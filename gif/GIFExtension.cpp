#include "gif/GIFExtension.h"

#include <cstring>

#include "base/Errors.h"
#include "base/StreamHelpers.h"
#include "gif/BlockBytes.h"
#include "gif/GIFApplicationExtensions.h"
#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFSubImage.h"
#include "gif/GIFTextExtensions.h"
#include "gif/GIFUnknownExtension.h"

namespace lumvane {

const TGIFExtensionClass* RefineToSelf(const TGIFExtensionClass& self, TStream&) { return &self; }

TGIFExtension::TGIFExtension(TGIFSubImage& frame) : TGIFItem(frame.Image()), frame_(frame) {}

void TGIFExtension::SaveToStream(TStream& stream) {
  const std::uint8_t bytes[2] = {kExtensionIntroducer, ExtensionLabel()};
  stream.WriteBuffer(bytes, sizeof bytes);
}

void TGIFExtension::LoadFromStream(TStream& stream) {
  std::uint8_t bytes[2];
  ReadExact(stream, bytes, sizeof bytes);
  if (bytes[0] != kExtensionIntroducer) throw GIFException(TGIFError::InvalidExtensionIntroducer);
  if (bytes[1] != ExtensionLabel())
    throw GIFException(TGIFError::ExtensionLabelMismatch);
}

void TGIFExtensionList::LoadFromStream(TStream& stream, TGIFSubImage& parent) {
  std::uint8_t byte = 0;
  if (!TryReadByte(stream, byte)) return;
  while (byte != kImageSeparator && byte != kTrailer) {
    if (byte != kExtensionIntroducer) {
      ReportWarning(kSeverityDamage, MessageText(TGIFError::InvalidExtensionIntroducer));
      break;
    }
    const TGIFExtensionClass* cls = IdentifyExtension(stream);
    if (!cls) throw GIFException(TGIFError::UnknownExtensionType);
    // Readers skip extensions they do not know; the block is kept as it stands.
    if (cls == &TGIFUnknownExtension::Class()) ReportWarning(kSeverityNotice, MessageText(TGIFError::UnknownExtensionType));
    stream.Seek(-1, TSeekOrigin::Current);
    std::unique_ptr<TGIFExtension> extension = cls->Create(parent);
    extension->LoadFromStream(stream);
    Add(std::move(extension));
    if (!TryReadByte(stream, byte)) return;
  }
  stream.Seek(-1, TSeekOrigin::Current);
}

const TGIFExtensionClass* TExtensionList::Find(std::uint8_t label) const {
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
    if (it->first == label) return it->second;
  return nullptr;
}

void TAppExtensionList::Register(const char (&identity)[12], const TGIFExtensionClass& cls) {
  TAppIdentity key;
  std::memcpy(key.data(), identity, key.size());
  entries_.emplace_back(key, &cls);
}

const TGIFExtensionClass* TAppExtensionList::Find(const TAppIdentity& identity) const {
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
    if (it->first == identity) return it->second;
  return nullptr;
}

const TExtensionList& ExtensionRegistry() {
  static const TExtensionList registry = [] {
    TExtensionList list;
    list.Register(kPlainTextLabel, TGIFTextExtension::Class());
    list.Register(kGraphicControlLabel, TGIFGraphicControlExtension::Class());
    list.Register(kCommentLabel, TGIFCommentExtension::Class());
    list.Register(kApplicationLabel, TGIFApplicationExtension::Class());
    return list;
  }();
  return registry;
}

const TAppExtensionList& AppExtensionRegistry() {
  static const TAppExtensionList registry = [] {
    TAppExtensionList list;
    list.Register("NETSCAPE2.0", TGIFAppExtNSLoop::Class());
    list.Register("ANIMEXTS1.0", TGIFAppExtNSLoop::Class());
    return list;
  }();
  return registry;
}

const TGIFExtensionClass* IdentifyExtension(TStream& stream) {
  const std::int64_t start = stream.Position();
  std::uint8_t label = 0;
  const TGIFExtensionClass* cls = nullptr;
  if (TryReadByte(stream, label)) {
    cls = ExtensionRegistry().Find(label);
    if (!cls) cls = &TGIFUnknownExtension::Class();
    while (cls) {
      const TGIFExtensionClass* refined = cls->RefineClass(*cls, stream);
      if (refined == cls) break;
      cls = refined;
    }
  }
  stream.SetPosition(start);
  return cls;
}

}  // namespace lumvane
