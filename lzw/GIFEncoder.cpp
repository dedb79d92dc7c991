#include "lzw/GIFEncoder.h"

#include "base/Errors.h"
#include "base/StreamHelpers.h"

namespace lumvane {

void TGIFEncoder::Encode(TStream& stream, int minCodeSize, int colorCount,
                         const std::uint8_t* pixels, bool interlaced, int height, int width) {
  ColorCount = colorCount;
  MinCodeSize = minCodeSize < 2 ? 2 : minCodeSize;
  StartWidth = MinCodeSize + 1;
  pixels_ = cursor_ = pixels;
  width_ = width;
  height_ = height;
  interlaced_ = interlaced;
  WriteByte(stream, static_cast<std::uint8_t>(MinCodeSize));

  CodeWidth = StartWidth;
  WidthCeiling = MaxCodeForBits(StartWidth);
  ClearCode = 1 << MinCodeSize;
  EndCode = ClearCode + 1;
  FirstFreeCode = ClearCode + 2;
  BitAccumulator = 0;
  PendingBits = 0;
  countdown_ = interlaced ? width : static_cast<std::int64_t>(width) * height;
  row_ = pass_ = 0;

  writer_.emplace(stream);
  try {
    if (pixels && height > 0 && width > 0) EncodeBody();
    EmitCode(EndCode);
  } catch (...) {
    try {
      writer_->Finish();
    } catch (...) {
      // The first failure is the one to report.
    }
    writer_.reset();
    throw;
  }
  writer_->Finish();
  writer_.reset();
  WriteByte(stream, 0);
}

void TGIFEncoder::EmitCode(int code) {
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

void TGIFEncoder::EmitClear() {
  JustCleared = true;
  EmitCode(ClearCode);
}

bool TGIFEncoder::NextRow() {
  if (!interlaced_) return false;
  countdown_ = width_;
  row_ += kInterlacePassStep[pass_];
  while (row_ >= height_) {
    if (pass_ == 3) return false;
    ++pass_;
    row_ = kInterlacePassStart[pass_];
  }
  cursor_ = pixels_ + static_cast<std::int64_t>(row_) * width_;
  return true;
}

void TGIFEncoder::ThrowColorNotInTable() { throw GIFException(TGIFError::ColorNotInTable); }

}  // namespace lumvane
