#include "lzw/LZWEncoder.h"

namespace lumvane {

void THashTable::AddEntry(std::uint32_t key, int code) {
  int h = HashOf(key);
  while (!IsEmpty(slots_[h])) h = NextProbe(h);
  slots_[h] = (key << 12) | (static_cast<std::uint32_t>(code) & 0xFFF);
}

int THashTable::FindEntry(std::uint32_t key) const {
  for (int h = HashOf(key);; h = NextProbe(h)) {
    const std::uint32_t slot = slots_[h];
    if (IsEmpty(slot)) return -1;
    if ((slot >> 12) == key) return static_cast<int>(slot & 0xFFF);
  }
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
  NextFreeCode = ClearCode + 2;
}

void TLZWEncoder::EncodeBody() {
  Dictionary = std::make_unique<THashTable>();
  EmitClear();
  CurrentCode = CurrentPixel();
  while (AdvancePixel()) {
    const int pixel = CurrentPixel();
    const std::uint32_t key = (static_cast<std::uint32_t>(CurrentCode) << 8) | pixel;
    const int found = Dictionary->FindEntry(key);
    if (found >= 0) {
      CurrentCode = found;
      continue;
    }
    EmitCode(CurrentCode);
    CurrentCode = pixel;
    if (NextFreeCode < 4095) {
      Dictionary->AddEntry(key, NextFreeCode);
      ++NextFreeCode;
    } else {
      EmitClear();
    }
  }
  EmitCode(CurrentCode);
  Dictionary.reset();
}

}  // namespace lumvane
