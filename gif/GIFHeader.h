#pragma once
// Signature, version, logical screen descriptor and global color table.

#include <array>
#include <cstdint>

#include "base/StreamHelpers.h"
#include "gif/GIFColorMap.h"
#include "gif/GIFItem.h"

namespace lumvane {

class TGIFHeader : public TGIFItem {
public:
  explicit TGIFHeader(TGIFImage* image);

  void Clear();
  // The global map and the screen descriptor as they stand.
  void CopyFrom(const TGIFHeader& source);
  // A cleared header whose global map is a copy of the source map.
  void CopyFrom(const TGIFColorMap& source);
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  // Rebuilds ScreenFlags from the document's current state.
  void PrepareFlags();

  TGIFGlobalColorMap& GlobalColorMap() { return globalColorMap_; }
  const TGIFGlobalColorMap& GlobalColorMap() const { return globalColorMap_; }

  // The logical screen descriptor, held in file layout.
  std::array<std::uint8_t, 7> ScreenDescriptor{};
  int LogicalScreenWidth() const { return ReadLE16(&ScreenDescriptor[0]); }
  int LogicalScreenHeight() const { return ReadLE16(&ScreenDescriptor[2]); }
  void SetLogicalScreenWidth(int value) { WriteLE16(&ScreenDescriptor[0], static_cast<std::uint16_t>(value)); }
  void SetLogicalScreenHeight(int value) { WriteLE16(&ScreenDescriptor[2], static_cast<std::uint16_t>(value)); }
  std::uint8_t ScreenFlags() const { return ScreenDescriptor[4]; }
  std::uint8_t BackgroundIndex() const { return ScreenDescriptor[5]; }
  void SetBackgroundIndex(std::uint8_t value) { ScreenDescriptor[5] = value; }
  std::uint8_t PixelAspectRatio() const { return ScreenDescriptor[6]; }

  // The color at BackgroundIndex of the global map.
  TColor BackgroundColor() { return globalColorMap_.ColorAt(BackgroundIndex()); }
  int PixelBits() const { return globalColorMap_.PixelBits(); }
  int ResolutionBits() const { return PixelBits() - 1; }

private:
  TGIFGlobalColorMap globalColorMap_;
};

}  // namespace lumvane
