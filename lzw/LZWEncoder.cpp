#include "lzw/LZWEncoder.h"

namespace lumvane {

void THashTable::AddEntry(std::uint32_t key, int code) {
  int h = HashOf(key);
  while (!IsEmpty(slots_[h])) h = NextProbe(h);
  slots_[h] = (key << 12) | (static_cast<std::uint32_t>(code) & 0xFFF);
}

void TLZWEncoder::EmitCode(int code) {
  TGIFEncoder::EmitCode(code);
  if (NextFreeCode > WidthCeiling || JustCleared) {
    if (JustCleared) {
      CodeWidth = StartWidth;
      WidthCeiling = MaxCodeForBits(StartWidth);
      JustCleared = false;
    } else {
      ++CodeWidth;
      WidthCeiling = CodeWidth == 12 ? 4096 : MaxCodeForBits(CodeWidth);
    }
  }
}

void TLZWEncoder::EmitClear() {
  TGIFEncoder::EmitClear();
  Dictionary->Reset();
  ForgetLastChildren();
  NextFreeCode = ClearCode + 2;
}

void TLZWEncoder::EncodeBody() {
  Dictionary = std::make_unique<THashTable>();
  EmitClear();
  CurrentCode = CurrentPixel();
  while (AdvancePixel()) {
    const int pixel = CurrentPixel();
    TLastChild& last = LastChild[CurrentCode];
    if (last.Pixel == pixel) {
      CurrentCode = last.Code;
      continue;
    }
    const std::uint32_t key = (static_cast<std::uint32_t>(CurrentCode) << 8) | pixel;
    const int found = Dictionary->FindEntry(key);
    if (found >= 0) {
      last = TLastChild{static_cast<std::int16_t>(pixel), static_cast<std::uint16_t>(found)};
      CurrentCode = found;
      continue;
    }
    EmitCode(CurrentCode);
    CurrentCode = pixel;
    if (NextFreeCode < 4095) {
      Dictionary->AddEntry(key, NextFreeCode);
      last = TLastChild{static_cast<std::int16_t>(pixel), static_cast<std::uint16_t>(NextFreeCode)};
      ++NextFreeCode;
    } else {
      EmitClear();
    }
  }
  EmitCode(CurrentCode);
  Dictionary.reset();
}

}  // namespace lumvane
