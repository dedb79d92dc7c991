#pragma once
// Extension blocks in general: the base class, the per-frame list, the two process-wide
// registries that map labels and application identities to classes, and block recognition.

#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "gif/GIFItem.h"

namespace lumvane {

class TGIFExtension;
class TGIFSubImage;

// A class reference: what the registries hand out to create and refine extensions.
struct TGIFExtensionClass {
  const char* Name;
  std::uint8_t Label;
  std::unique_ptr<TGIFExtension> (*Create)(TGIFSubImage& frame);
  // Given the stream just after the label, the class that should read the block.
  const TGIFExtensionClass* (*RefineClass)(const TGIFExtensionClass& self, TStream& stream);
};

// The RefineClass of every class that needs no look-ahead: the class itself.
const TGIFExtensionClass* RefineToSelf(const TGIFExtensionClass& self, TStream& stream);

template <class T>
std::unique_ptr<TGIFExtension> CreateExtension(TGIFSubImage& frame) {
  return std::make_unique<T>(frame);
}

class TGIFExtension : public TGIFItem {
public:
  explicit TGIFExtension(TGIFSubImage& frame);

  TGIFVersion RequiredVersion() const override { return Version89a; }
  // Writes the introducer and the label; every class then writes its body.
  void SaveToStream(TStream& stream) override;
  // Reads and checks the introducer and the label; every class then reads its body.
  void LoadFromStream(TStream& stream) override;

  virtual const TGIFExtensionClass& ExtensionClass() const = 0;
  virtual std::uint8_t ExtensionLabel() const { return ExtensionClass().Label; }
  TGIFSubImage& Frame() const { return frame_; }

private:
  TGIFSubImage& frame_;
};

// The extensions that precede one image, in file order.
class TGIFExtensionList : public TGIFList<TGIFExtension> {
public:
  using TGIFList::TGIFList;
  // Reads extension blocks up to the next image separator, trailer or unexpected byte,
  // and leaves the stream standing on that byte.
  void LoadFromStream(TStream& stream, TGIFSubImage& parent);
};

using TAppIdentity = std::array<std::uint8_t, 11>;

// Label → class. Lookups scan from the last entry, so a later entry takes precedence.
class TExtensionList {
public:
  void Register(std::uint8_t label, const TGIFExtensionClass& cls) { entries_.emplace_back(label, &cls); }
  const TGIFExtensionClass* Find(std::uint8_t label) const;

private:
  std::vector<std::pair<std::uint8_t, const TGIFExtensionClass*>> entries_;
};

// Application identity (8-byte identifier and 3-byte code, case-sensitive) → class.
class TAppExtensionList {
public:
  void Register(const char (&identity)[12], const TGIFExtensionClass& cls);
  const TGIFExtensionClass* Find(const TAppIdentity& identity) const;

private:
  std::vector<std::pair<TAppIdentity, const TGIFExtensionClass*>> entries_;
};

// The process-wide registries, built on first use and read-only afterwards, so several
// threads may look up at once.
const TExtensionList& ExtensionRegistry();
const TAppExtensionList& AppExtensionRegistry();

// With the stream just after an introducer: the class that reads the block, or none when
// the label is missing or a block cannot be told apart. A label no class is registered for
// gives TGIFUnknownExtension. The stream position is unchanged afterwards.
const TGIFExtensionClass* IdentifyExtension(TStream& stream);

}  // namespace lumvane
