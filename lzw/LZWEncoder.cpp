#include "lzw/LZWEncoder.h"

#include <algorithm>

namespace lumvane {

namespace {
thread_local std::unique_ptr<THashTable> spareTable;
}

THashTableLease::THashTableLease() : table_(spareTable ? std::move(spareTable) : std::make_unique<THashTable>()) {}

THashTableLease::~THashTableLease() {
  table_->Reset();
  if (!spareTable) spareTable = std::move(table_);
}

void TLZWEncoder::EmitClear() {
  TGIFEncoder::EmitClear();
  Dictionary->Reset();
  ForgetLastChildren();
  NextFreeCode = ClearCode + 2;
}

void TLZWEncoder::EncodeBody() {
  EmitClear();
  // The walk keeps its state in locals: this loop runs once per pixel.
  const std::uint8_t* at = nullptr;
  const std::uint8_t* end = nullptr;
  TakeRun(at, end);
  int code = Checked(*at++);
  int length = 1;
  do {
    while (at < end) {
      const int pixel = Checked(*at++);
      TLastChild& last = LastChild[code];
      if (last.Pixel == pixel) {
        code = last.Code;
        ++length;
        continue;
      }
      const std::uint32_t key = (static_cast<std::uint32_t>(code) << 8) | pixel;
      const int found = Dictionary->FindEntry(key);
      if (found >= 0) {
        last = TLastChild{static_cast<std::int16_t>(pixel), static_cast<std::uint16_t>(found)};
        code = found;
        ++length;
        continue;
      }
      EmitCode(code);
      if (NextFreeCode < ClearAt)
        last = TLastChild{static_cast<std::int16_t>(pixel), static_cast<std::uint16_t>(NextFreeCode)};
      AddEntryOrClear(code, pixel, length);
      code = pixel;
      length = 1;
    }
  } while (TakeRun(at, end));
  EmitCode(code);
}

void TLZWEncoder::WhenFull(int) {
  EmitClear();
  clearedWhenFull_ = true;
}

// Keeps the full table while the codes cost no more per pixel than the first window after
// filling did.
void TAdaptiveClearLZWEncoder::WhenFull(int length) {
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

std::size_t TLookaheadLZWEncoder::Walk(std::size_t position, TWalk& walk, std::size_t known) const {
  if (position >= pixels_.size()) return 0;
  if (known == 0) walk[known++] = pixels_[position];
  int code = walk[known - 1];
  for (std::size_t at = position + known; at < pixels_.size(); ++at) {
    code = Dictionary->FindEntry((static_cast<std::uint32_t>(code) << 8) | pixels_[at]);
    if (code < 0) break;
    walk[known++] = static_cast<std::uint16_t>(code);
  }
  return known;
}

void TLookaheadLZWEncoder::EncodeBody() {
  pixels_.clear();
  pixels_.reserve(static_cast<std::size_t>(PixelCount));
  for (const std::uint8_t *at = nullptr, *end = nullptr; TakeRun(at, end);) {
    std::for_each(at, end, [this](std::uint8_t pixel) { Checked(pixel); });
    pixels_.insert(pixels_.end(), at, end);
  }
  EmitClear();
  std::size_t longestEntry = 1;  // no string the dictionary holds is longer
  // The walk from the position, the walk after the best string so far, and one to try.
  TWalk* here = &walks_[0];
  TWalk* after = &walks_[1];
  TWalk* tried = &walks_[2];
  std::size_t length = Walk(0, *here);
  for (std::size_t position = 0; position < pixels_.size();) {
    std::size_t chosen = length;
    std::size_t afterLength = Walk(position + length, *after);
    std::size_t reach = length + afterLength;
    const std::size_t shortest = length > kShorter ? length - kShorter : 1;
    for (std::size_t shorter = length - 1; shorter >= shortest && shorter > 0; --shorter) {
      // Shorter strings only reach less far from here on.
      if (shorter + longestEntry <= reach) break;
      const std::size_t further = Walk(position + shorter, *tried);
      if (shorter + further > reach) {
        reach = shorter + further;
        chosen = shorter;
        afterLength = further;
        std::swap(after, tried);
      }
    }
    const int code = (*here)[chosen - 1];
    EmitCode(code);
    position += chosen;
    if (position < pixels_.size()) {
      const int freeBefore = NextFreeCode;
      AddEntryOrClear(code, pixels_[position], static_cast<int>(chosen));
      if (NextFreeCode > freeBefore) longestEntry = std::max(longestEntry, chosen + 1);
      if (NextFreeCode < freeBefore) longestEntry = 1;
      // The walk after the string sent is the next position's, once it takes in the entry
      // just made; a clear forgets it.
      std::swap(here, after);
      length = Walk(position, *here, NextFreeCode > freeBefore ? afterLength : 0);
    }
  }
  pixels_ = {};
}

}  // namespace lumvane
