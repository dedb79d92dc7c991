#pragma once
// Extensions that carry text: the plain text extension and the comment extension.

#include <array>
#include <cstdint>

#include "base/StreamHelpers.h"
#include "gif/GIFExtension.h"

namespace lumvane {

class TGIFTextExtension : public TGIFExtension {
public:
  explicit TGIFTextExtension(TGIFSubImage& frame) : TGIFExtension(frame) {}

  static const TGIFExtensionClass& Class();
  const TGIFExtensionClass& ExtensionClass() const override { return Class(); }
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;

  // Block size, grid left, top, width, height (2 bytes each), cell width and height,
  // foreground and background index: as in the file.
  std::array<std::uint8_t, 13> TextBlock{12};
  TLines Lines;

  std::uint16_t GridLeft() const { return ReadLE16(&TextBlock[1]); }
  std::uint16_t GridTop() const { return ReadLE16(&TextBlock[3]); }
  std::uint16_t GridWidth() const { return ReadLE16(&TextBlock[5]); }
  std::uint16_t GridHeight() const { return ReadLE16(&TextBlock[7]); }
  std::uint8_t CharCellWidth() const { return TextBlock[9]; }
  std::uint8_t CharCellHeight() const { return TextBlock[10]; }
  std::uint8_t ForegroundIndex() const { return TextBlock[11]; }
  std::uint8_t BackgroundIndex() const { return TextBlock[12]; }
};

class TGIFCommentExtension : public TGIFExtension {
public:
  explicit TGIFCommentExtension(TGIFSubImage& frame) : TGIFExtension(frame) {}

  static const TGIFExtensionClass& Class();
  const TGIFExtensionClass& ExtensionClass() const override { return Class(); }
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;

  TLines Lines;
};

}  // namespace lumvane
