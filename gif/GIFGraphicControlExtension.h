#pragma once
// The graphic control extension: delay, disposal and transparency of a frame.

#include <array>
#include <cstdint>

#include "gif/GIFExtension.h"
#include "gif/StreamHelpers.h"

namespace lumvane {

enum TDisposalMethod : std::uint8_t {
  DisposalUnspecified = 0,
  DisposalKeep = 1,
  DisposalRestoreBackground = 2,
  DisposalRestorePrevious = 3,
};

class TGIFGraphicControlExtension : public TGIFExtension {
public:
  explicit TGIFGraphicControlExtension(TGIFSubImage& frame);
  ~TGIFGraphicControlExtension() override;

  static const TGIFExtensionClass& Class();
  const TGIFExtensionClass& ExtensionClass() const override { return Class(); }
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;

  // Block size, flags, delay (2 bytes), transparent index, terminator: as in the file.
  std::array<std::uint8_t, 6> ControlBlock{4, 0, 0, 0, 0, 0};

  std::uint8_t BlockSize() const { return ControlBlock[0]; }
  std::uint8_t ControlFlags() const { return ControlBlock[1]; }
  bool Transparent() const { return ControlBlock[1] & 0x01; }
  void SetTransparent(bool value);
  bool UserInput() const { return ControlBlock[1] & 0x02; }
  std::uint8_t Disposal() const { return (ControlBlock[1] >> 2) & 7; }
  void SetDisposal(std::uint8_t value) {
    ControlBlock[1] = static_cast<std::uint8_t>((ControlBlock[1] & ~0x1C) | ((value & 7) << 2));
  }
  std::uint16_t Delay() const { return ReadLE16(&ControlBlock[2]); }
  void SetDelay(std::uint16_t value) { WriteLE16(&ControlBlock[2], value); }
  std::uint8_t TransparentIndex() const { return ControlBlock[4]; }
  // Stores 0 with a warning when the frame's color map has no such entry.
  void SetTransparentIndex(std::uint8_t value);
  std::uint8_t Terminator() const { return ControlBlock[5]; }
};

}  // namespace lumvane
