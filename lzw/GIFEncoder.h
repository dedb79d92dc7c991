#pragma once
// What both pixel encoders share: code packing into sub-blocks, the interlaced pixel walk
// and the frame's framing (minimum code size byte, end code, terminator).

#include <cstdint>
#include <optional>

#include "base/Stream.h"
#include "lzw/FramePixels.h"
#include "lzw/GIFWriter.h"

namespace lumvane {

// The width of the next code once a code is sent while nextFreeCode is the dictionary's
// next entry: back to startWidth after a clear code, one bit wider once nextFreeCode passes
// the ceiling (never past 12 bits).
inline void StepCodeWidth(int startWidth, int nextFreeCode, bool& justCleared, int& width, int& ceiling) {
  if (justCleared) {
    width = startWidth;
    ceiling = (1 << startWidth) - 1;
    justCleared = false;
  } else if (nextFreeCode > ceiling) {
    ++width;
    ceiling = width == 12 ? 4096 : (1 << width) - 1;
  }
}

class TGIFEncoder {
public:
  virtual ~TGIFEncoder() = default;

  // Writes the image data of the frame, its rows in sending order. Pixels at or above
  // colorCount fail with GIFException "Color not in color table"; what was written by then
  // stays in the stream, without a terminator.
  void Encode(TStream& stream, int minCodeSize, int colorCount, const TConstFramePixels& frame);

protected:
  virtual void EmitCode(int code) { PackCode(code); }
  virtual void EmitClear();
  virtual void EncodeBody() = 0;

  // Moves to the next pixel in sending order; false at the end of the frame.
  bool AdvancePixel() {
    if (--countdown_ >= 1) {
      ++cursor_;
      return true;
    }
    return NextRow();
  }
  // The pixel under the cursor, checked against the color count.
  int CurrentPixel() const { return Checked(*cursor_); }
  // The pixels from the cursor to the end of its run (the frame, or an interlaced row) in
  // sending order, unchecked; the cursor moves past them. False at the end of the frame.
  bool TakeRun(const std::uint8_t*& begin, const std::uint8_t*& end) {
    if (countdown_ <= 0 && !NextRow()) return false;
    begin = cursor_;
    end = cursor_ + countdown_;
    countdown_ = 0;
    return true;
  }
  // The pixel, checked against the color count.
  int Checked(int pixel) const {
    if (pixel >= ColorCount) [[unlikely]]
      ThrowColorNotInTable();
    return pixel;
  }
  static int MaxCodeForBits(int bits) { return (1 << bits) - 1; }
  // Appends code at CodeWidth bits, least significant first; the end code also sends the
  // last partial byte.
  void PackCode(int code) {
    if (PendingBits > 0)
      BitAccumulator = (BitAccumulator & ((1u << PendingBits) - 1)) | (static_cast<std::uint32_t>(code) << PendingBits);
    else
      BitAccumulator = static_cast<std::uint32_t>(code);
    PendingBits += CodeWidth;
    while (PendingBits >= 8) {
      writer_->PutByte(static_cast<std::uint8_t>(BitAccumulator));
      BitAccumulator >>= 8;
      PendingBits -= 8;
    }
    if (code == EndCode && PendingBits > 0) {
      writer_->PutByte(static_cast<std::uint8_t>(BitAccumulator));
      BitAccumulator = 0;
      PendingBits = 0;
    }
  }

  int ColorCount = 0;
  int MinCodeSize = 0;
  int StartWidth = 0;
  int CodeWidth = 0;
  int WidthCeiling = 0;
  int ClearCode = 0;
  int EndCode = 0;
  int FirstFreeCode = 0;
  std::int64_t PixelCount = 0;  // of the frame being encoded
  bool JustCleared = false;

private:
  // At the end of a row: the next row in sending order, or false at the end of the frame.
  bool NextRow();
  [[noreturn]] static void ThrowColorNotInTable();

  std::optional<TGIFWriter> writer_;
  const std::uint8_t* pixels_ = nullptr;
  const std::uint8_t* cursor_ = nullptr;
  int width_ = 0;
  // Interlaced rows come one at a time in sending order; other frames are one run.
  std::optional<TSendingOrder> interlacedRows_;
  std::int64_t countdown_ = 0;
  std::uint32_t BitAccumulator = 0;
  int PendingBits = 0;
};

}  // namespace lumvane
