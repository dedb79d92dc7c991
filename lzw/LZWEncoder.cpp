#include "lzw/LZWEncoder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace lumvane {

namespace {
thread_local std::unique_ptr<THashTable> spareTable;

// Which strings of three pixels or more may end the dictionary's entries of each length: a
// bit per hash of length and last three pixels. A clear bit proves that no entry of that
// length ends so, which lets the lookahead skip a walk that could not reach far enough.
class TStringEndFilter {
public:
  void Add(std::size_t length, const std::uint8_t* last) {
    const std::size_t bit = BitOf(length, last);
    std::uint64_t& word = words_[bit >> 6];
    if (word == 0) used_.push_back(static_cast<std::uint16_t>(bit >> 6));
    word |= std::uint64_t{1} << (bit & 63);
  }
  bool MayHold(std::size_t length, const std::uint8_t* last) const {
    const std::size_t bit = BitOf(length, last);
    return (words_[bit >> 6] >> (bit & 63)) & 1;
  }
  void Reset() {
    for (const std::uint16_t word : used_) words_[word] = 0;
    used_.clear();
  }

private:
  static constexpr int kBits = 16;
  // last points at the third pixel from the end.
  static std::size_t BitOf(std::size_t length, const std::uint8_t* last) {
    const std::uint64_t key =
        std::uint64_t{length} << 24 | std::uint64_t{last[0]} << 16 | std::uint64_t{last[1]} << 8 | last[2];
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15u) >> (64 - kBits));
  }
  std::array<std::uint64_t, (std::size_t{1} << kBits) / 64> words_{};
  std::vector<std::uint16_t> used_;
};

// The lookahead encoder's filter, kept per thread so that making an encoder does not clear
// it: each clear code empties it with the dictionary, an encoding's first among them.
thread_local TStringEndFilter stringEnds;
}  // namespace

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

void TLookaheadLZWEncoder::EmitClear() {
  TLZWEncoder::EmitClear();
  stringEnds.Reset();
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
  TStringEndFilter& ends = stringEnds;
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
      // To reach past position + reach, the walk from position + shorter needs an entry of
      // `needed` pixels that ends with the pixel there; none reaches past the frame's end.
      if (position + reach >= pixels_.size()) break;
      const std::size_t needed = reach - shorter + 1;
      if (needed >= 3 && !ends.MayHold(needed, &pixels_[position + reach - 2])) continue;
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
      if (NextFreeCode > freeBefore) {
        longestEntry = std::max(longestEntry, chosen + 1);
        if (chosen >= 2) ends.Add(chosen + 1, &pixels_[position - 2]);
      }
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
