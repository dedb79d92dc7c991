#include "lzw/GIFEncoder.h"

#include "base/Errors.h"
#include "base/StreamHelpers.h"

namespace lumvane {

void TGIFEncoder::Encode(TStream& stream, int minCodeSize, int colorCount, const TConstFramePixels& frame) {
  ColorCount = colorCount;
  MinCodeSize = minCodeSize < 2 ? 2 : minCodeSize;
  StartWidth = MinCodeSize + 1;
  pixels_ = cursor_ = frame.Pixels;
  width_ = frame.Width;
  WriteByte(stream, static_cast<std::uint8_t>(MinCodeSize));

  CodeWidth = StartWidth;
  WidthCeiling = MaxCodeForBits(StartWidth);
  ClearCode = 1 << MinCodeSize;
  EndCode = ClearCode + 1;
  FirstFreeCode = ClearCode + 2;
  PixelCount = frame.Count();
  BitAccumulator = 0;
  PendingBits = 0;
  countdown_ = frame.Interlaced ? frame.Width : frame.Count();
  interlacedRows_.reset();
  if (frame.Interlaced) {
    interlacedRows_.emplace(frame.Height, true);
    interlacedRows_->Next();  // row 0, where the cursor starts
  }

  writer_.emplace(stream);
  try {
    if (frame.Pixels && frame.Height > 0 && frame.Width > 0) EncodeBody();
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

void TGIFEncoder::EmitClear() {
  JustCleared = true;
  EmitCode(ClearCode);
}

bool TGIFEncoder::NextRow() {
  if (!interlacedRows_) return false;
  const int row = interlacedRows_->Next();
  if (row < 0) return false;
  countdown_ = width_;
  cursor_ = pixels_ + static_cast<std::int64_t>(row) * width_;
  return true;
}

void TGIFEncoder::ThrowColorNotInTable() { throw GIFException(TGIFError::ColorNotInTable); }

}  // namespace lumvane
