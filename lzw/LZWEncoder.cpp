#include "lzw/LZWEncoder.h"

namespace lumvane {

THashTable::THashTable(std::int64_t pixelCount) {
  // A frame makes at most one entry per pixel, and never more than 4096.
  const std::int64_t entries = std::clamp<std::int64_t>(pixelCount, 32, 4096);
  std::size_t slots = 64;
  while (static_cast<std::int64_t>(slots) < 2 * entries) slots *= 2;
  slots_.assign(slots, kEmptySlot);
  mask_ = slots - 1;
}

void TLZWEncoder::EmitCode(int code) {
  TGIFEncoder::EmitCode(code);
  StepCodeWidth(StartWidth, NextFreeCode, JustCleared, CodeWidth, WidthCeiling);
}

void TLZWEncoder::EmitClear() {
  TGIFEncoder::EmitClear();
  Dictionary->Reset();
  ForgetLastChildren();
  NextFreeCode = ClearCode + 2;
}

void TLZWEncoder::EncodeBody() {
  Dictionary = std::make_unique<THashTable>(PixelCount);
  EmitClear();
  CurrentCode = CurrentPixel();
  int length = 1;
  while (AdvancePixel()) {
    const int pixel = CurrentPixel();
    TLastChild& last = LastChild[CurrentCode];
    if (last.Pixel == pixel) {
      CurrentCode = last.Code;
      ++length;
      continue;
    }
    const std::uint32_t key = (static_cast<std::uint32_t>(CurrentCode) << 8) | pixel;
    const int found = Dictionary->FindEntry(key);
    if (found >= 0) {
      last = TLastChild{static_cast<std::int16_t>(pixel), static_cast<std::uint16_t>(found)};
      CurrentCode = found;
      ++length;
      continue;
    }
    EmitCode(CurrentCode);
    if (NextFreeCode < ClearAt)
      last = TLastChild{static_cast<std::int16_t>(pixel), static_cast<std::uint16_t>(NextFreeCode)};
    AddEntryOrClear(CurrentCode, pixel, length);
    CurrentCode = pixel;
    length = 1;
  }
  EmitCode(CurrentCode);
  Dictionary.reset();
}

void TLZWEncoder::AddEntryOrClear(int code, int value, int) {
  if (NextFreeCode < ClearAt) {
    Dictionary->AddEntry((static_cast<std::uint32_t>(code) << 8) | value, NextFreeCode);
    LastChild[NextFreeCode++] = TLastChild{-1, 0};
  } else {
    EmitClear();
  }
}

void TAdaptiveClearLZWEncoder::AddEntryOrClear(int code, int value, int length) {
  if (NextFreeCode < ClearAt) {
    TLZWEncoder::AddEntryOrClear(code, value, length);
    return;
  }
  ++windowCodes_;
  windowPixels_ += length;
  if (windowCodes_ < windowSize_) return;
  const double bitsPerPixel = 12.0 * static_cast<double>(windowCodes_) / static_cast<double>(windowPixels_);
  windowCodes_ = windowPixels_ = 0;
  if (markBitsPerPixel_ == 0) {
    markBitsPerPixel_ = bitsPerPixel;
  } else if (bitsPerPixel > markBitsPerPixel_) {
    markBitsPerPixel_ = 0;
    EmitClear();
  }
}

void TLookaheadLZWEncoder::MatchesAt(std::size_t position) {
  matches_.assign(1, pixels_[position]);
  for (std::size_t at = position + 1; at < pixels_.size(); ++at) {
    const int child = Dictionary->FindEntry((static_cast<std::uint32_t>(matches_.back()) << 8) | pixels_[at]);
    if (child < 0) break;
    matches_.push_back(child);
  }
}

std::size_t TLookaheadLZWEncoder::LongestAt(std::size_t position) const {
  if (position >= pixels_.size()) return 0;
  int code = pixels_[position];
  std::size_t length = 1;
  for (std::size_t at = position + 1; at < pixels_.size(); ++at, ++length) {
    code = Dictionary->FindEntry((static_cast<std::uint32_t>(code) << 8) | pixels_[at]);
    if (code < 0) break;
  }
  return length;
}

void TLookaheadLZWEncoder::EncodeBody() {
  pixels_.clear();
  do pixels_.push_back(static_cast<std::uint8_t>(CurrentPixel()));
  while (AdvancePixel());
  Dictionary = std::make_unique<THashTable>(PixelCount);
  EmitClear();
  std::size_t longestEntry = 1;  // no string the dictionary holds is longer
  for (std::size_t position = 0; position < pixels_.size();) {
    MatchesAt(position);
    std::size_t length = matches_.size();
    std::size_t reach = length + LongestAt(position + length);
    const std::size_t shortest = length > kShorter ? length - kShorter : 1;
    for (std::size_t shorter = length - 1; shorter >= shortest && shorter > 0; --shorter) {
      // Shorter strings only reach less far from here on.
      if (shorter + longestEntry <= reach) break;
      const std::size_t further = shorter + LongestAt(position + shorter);
      if (further > reach) {
        reach = further;
        length = shorter;
      }
    }
    const int code = matches_[length - 1];
    EmitCode(code);
    position += length;
    if (position < pixels_.size()) {
      const int freeBefore = NextFreeCode;
      AddEntryOrClear(code, pixels_[position], static_cast<int>(length));
      if (NextFreeCode > freeBefore) longestEntry = std::max(longestEntry, length + 1);
      if (NextFreeCode < freeBefore) longestEntry = 1;
    }
  }
  Dictionary.reset();
  pixels_ = {};
}

}  // namespace lumvane
