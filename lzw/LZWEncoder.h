#pragma once
// The LZW encoder and its string dictionary.

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "lzw/GIFEncoder.h"

namespace lumvane {

// Open addressing with linear probing over twice the slots the largest dictionary needs; a
// used slot holds key << 12 | code, an empty one has all upper 20 bits set. Keys are prefix
// code << 8 | pixel value. Emptying it costs what was added since it was last emptied.
class THashTable {
public:
  THashTable() : slots_(kSlots, kEmptySlot) { used_.reserve(kSlots / 2); }
  void Reset() {
    for (const std::uint16_t slot : used_) slots_[slot] = kEmptySlot;
    used_.clear();
  }
  void AddEntry(std::uint32_t key, int code) {
    std::size_t h = HashOf(key);
    while (!IsEmpty(slots_[h])) h = (h + 1) & kMask;
    slots_[h] = (key << 12) | (static_cast<std::uint32_t>(code) & 0xFFF);
    used_.push_back(static_cast<std::uint16_t>(h));
  }
  // The code stored for the key, or -1.
  int FindEntry(std::uint32_t key) const {
    for (std::size_t h = HashOf(key);; h = (h + 1) & kMask) {
      const std::uint32_t slot = slots_[h];
      if (IsEmpty(slot)) return -1;
      if ((slot >> 12) == key) return static_cast<int>(slot & 0xFFF);
    }
  }

private:
  static constexpr std::size_t kSlots = 8192;  // a dictionary holds at most 4096 entries
  static constexpr std::size_t kMask = kSlots - 1;
  static constexpr std::uint32_t kEmptySlot = 0xFFFFFFFFu;
  static bool IsEmpty(std::uint32_t slot) { return (slot >> 12) == (kEmptySlot >> 12); }
  static std::size_t HashOf(std::uint32_t key) { return ((key * 0x9E3779B1u) >> 16) & kMask; }

  std::vector<std::uint32_t> slots_;
  std::vector<std::uint16_t> used_;
};

// An empty hash table to use for a while: the thread's own, filled once per thread, when no
// one else on the thread holds it; a new one otherwise. Returned empty.
class THashTableLease {
public:
  THashTableLease();
  ~THashTableLease();
  THashTableLease(const THashTableLease&) = delete;
  THashTableLease& operator=(const THashTableLease&) = delete;
  THashTable* operator->() const { return table_.get(); }

private:
  std::unique_ptr<THashTable> table_;
};

// Greedy LZW: every string sent is the longest the dictionary holds.
class TLZWEncoder : public TGIFEncoder {
public:
  // The encoder sends a clear code instead of making an entry once the next free code has
  // reached clearAt, which may be 4096 (the table full). Where the clear codes fall decides
  // where every later string starts: pictures whose pixels were tuned to another encoder's
  // strings code far shorter with that encoder's clear points.
  static constexpr int kDefaultClearAt = 4095;
  static constexpr int kClearPoints[] = {4093, 4094, 4095, 4096};
  explicit TLZWEncoder(int clearAt = kDefaultClearAt) : ClearAt(clearAt) {}
  // Whether a frame of pixelCount pixels can send enough codes to reach the lowest clear
  // point; a smaller frame codes alike at all of them.
  static bool MayReachClearPoint(std::int64_t pixelCount, int minCodeSize) {
    return pixelCount >= kClearPoints[0] - (1 << std::max(minCodeSize, 2)) - 2;
  }
  // Whether the last Encode came to make an entry (or clear) at a next free code of at
  // least the lowest clear point: until then every clear point and adaptive window codes
  // alike.
  bool ReachedClearPoint() const { return clearedWhenFull_ || NextFreeCode > kClearPoints[0]; }

protected:
  // Final, so that the encoders' loops call it directly.
  void EmitCode(int code) final {
    PackCode(code);
    StepCodeWidth(StartWidth, NextFreeCode, JustCleared, CodeWidth, WidthCeiling);
  }
  void EmitClear() override;
  void EncodeBody() override;

  // After sending code (a string of length pixels), when value starts the next string: the
  // entry the decoder makes, while there is room; what WhenFull does otherwise.
  void AddEntryOrClear(int code, int value, int length) {
    if (NextFreeCode < ClearAt) {
      Dictionary->AddEntry((static_cast<std::uint32_t>(code) << 8) | value, NextFreeCode);
      LastChild[NextFreeCode++] = TLastChild{-1, 0};
    } else {
      WhenFull(length);
    }
  }
  // Once the next free code has reached ClearAt: a clear code.
  virtual void WhenFull(int length);

  const int ClearAt;
  int NextFreeCode = 0;
  THashTableLease Dictionary;

private:
  // The dictionary's most recent answer per prefix code: runs and repeated strings ask the
  // same question again and again, and this answers it without probing the hash table.
  struct TLastChild {
    std::int16_t Pixel;  // -1: none
    std::uint16_t Code;
  };
  void ForgetLastChildren() { std::fill_n(LastChild.begin(), FirstFreeCode, TLastChild{-1, 0}); }

  // Valid for the codes the dictionary holds: a clear forgets the pixels' entries, and a
  // code's entry is forgotten when the code is made.
  std::array<TLastChild, 4096> LastChild;
  bool clearedWhenFull_ = false;
};

// Greedy LZW that keeps a full table instead of clearing it at once: the decoder adds no
// entries then, and codes stay 12 bits wide. It clears once the codes get more expensive
// per pixel than they were right after the table filled, measured over windows of
// windowCodes codes, the first window after filling setting the mark. Which window suits
// a picture best varies: kWindows are the sizes worth trying.
class TAdaptiveClearLZWEncoder : public TLZWEncoder {
public:
  static constexpr int kWindows[] = {128, 256, 512, 1024, 2048};
  explicit TAdaptiveClearLZWEncoder(int windowCodes) : TLZWEncoder(4096), windowSize_(windowCodes) {}

protected:
  void WhenFull(int length) override;

private:
  const int windowSize_;
  std::int64_t windowCodes_ = 0;
  std::int64_t windowPixels_ = 0;
  double markBitsPerPixel_ = 0;  // 0: no window measured since the table filled
};

// LZW with one step of lookahead: of the strings the dictionary holds at a position (the
// longest and up to kShorter shorter ones), it sends the one after which the next string
// reaches furthest. Slower than greedy; shorter on most pictures.
class TLookaheadLZWEncoder : public TLZWEncoder {
public:
  // Provided, so that making one does not zero its tables first.
  TLookaheadLZWEncoder() : TLZWEncoder() {}
  static constexpr int kShorter = 24;

protected:
  void EmitClear() override;
  void EncodeBody() override;

private:
  // The codes of the strings starting at a position, shortest first: as many as the
  // longest string's length. No string is longer than the dictionary has codes.
  using TWalk = std::array<std::uint16_t, 4096>;
  // Fills walk from position and returns its length (0 past the end). The first known
  // codes are taken as they are: they were walked from position before, and since then the
  // dictionary only gained entries, which may make the walk longer.
  std::size_t Walk(std::size_t position, TWalk& walk, std::size_t known = 0) const;

  std::vector<std::uint8_t> pixels_;  // in sending order
  std::array<TWalk, 3> walks_;
};

}  // namespace lumvane
