#pragma once
// The graphic control extension: delay, disposal and transparency of a frame.

#include <array>
#include <cstdint>

#include "base/StreamHelpers.h"
#include "gif/GIFExtension.h"

namespace lumvane {

enum TDisposalMethod : std::uint8_t {
  DisposalUnspecified = 0,
  DisposalKeep = 1,
  DisposalRestoreBackground = 2,
  DisposalRestorePrevious = 3,
};

// How browsers read a disposal value: 4 as restore-previous, 5 to 7 as keep.
inline TDisposalMethod EffectiveDisposal(std::uint8_t disposal) {
  if (disposal == 4) return DisposalRestorePrevious;
  if (disposal > 4) return DisposalKeep;
  return static_cast<TDisposalMethod>(disposal);
}

// The frame's picture stays on the canvas for the next frame to be drawn over.
inline bool KeepsPicture(std::uint8_t disposal) { return EffectiveDisposal(disposal) <= DisposalKeep; }

// Hundredths a frame stays on screen: a delay of 0 or 1 (or none) plays as 10.
inline int PlayedTime(int delay) { return delay <= 1 ? 10 : delay; }

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
