#include "lzw/ChoiceParse.h"

#include <algorithm>
#include <array>
#include <memory>

#include "lzw/LZWEncoder.h"

namespace lumvane {
namespace {

// The encoder's dictionary as a trie: codes know their prefix and last value, so a string
// is spelled back from its last code.
class TChoiceDictionary {
public:
  TChoiceDictionary(int clearCode, int clearAt)
      : clearCode_(clearCode), clearAt_(clearAt) {
    Reset();
  }

  void Reset() {
    table_->Reset();
    std::fill_n(lastChild_.begin(), clearCode_ + 3, TLastChild{-1, 0});
    nextFreeCode_ = clearCode_ + 2;
    pendingCode_ = -1;
  }
  int NextFreeCode() const { return nextFreeCode_; }
  // Whether the encoder, having sent a string, clears instead of adding an entry.
  bool Full() const { return nextFreeCode_ >= clearAt_; }
  int Child(int code, int value) {
    if (code == pendingCode_ && value == pendingValue_) return nextFreeCode_;
    TLastChild& last = lastChild_[code];
    if (last.Value == value) return last.Code;
    const int child = table_->FindEntry(static_cast<std::uint32_t>(code) << 8 | value);
    if (child >= 0) last = {static_cast<std::int16_t>(value), static_cast<std::uint16_t>(child)};
    return child;
  }
  // The entry the encoder adds for code once value starts the next string: it already
  // counts while that string is matched.
  void SetPending(int code, int value) {
    pendingCode_ = code;
    pendingValue_ = value;
  }
  void AddPending() {
    if (pendingCode_ < 0) return;
    table_->AddEntry(static_cast<std::uint32_t>(pendingCode_) << 8 | pendingValue_, nextFreeCode_);
    prefix_[nextFreeCode_] = static_cast<std::int16_t>(pendingCode_);
    last_[nextFreeCode_] = static_cast<std::uint8_t>(pendingValue_);
    if (++nextFreeCode_ < static_cast<int>(lastChild_.size())) lastChild_[nextFreeCode_] = TLastChild{-1, 0};
    pendingCode_ = -1;
  }
  // Writes the string of code so that it ends just before end.
  void Spell(int code, std::uint8_t* end) const {
    while (code >= clearCode_) {
      *--end = last_[code];
      code = prefix_[code];
    }
    *--end = static_cast<std::uint8_t>(code);
  }

private:
  // The most recent answer per prefix code, as in the encoder.
  struct TLastChild {
    std::int16_t Value;  // -1: none
    std::uint16_t Code;
  };

  const int clearCode_;
  const int clearAt_;
  int nextFreeCode_ = 0;
  int pendingCode_ = -1;
  int pendingValue_ = 0;
  THashTableLease table_;
  // Valid for the codes the dictionary holds, as set when each is made; lastChild_ also for
  // the pending code (the pixels' own entries and the first free code at every reset, the
  // next free code whenever one is made).
  std::array<std::int16_t, 4096> prefix_;
  std::array<std::uint8_t, 4096> last_;
  std::array<TLastChild, 4096> lastChild_;
};

// Counts the bits of the codes as TLZWEncoder sends them, with its code width steps, and
// records the codes when sent is given.
class TCodeBits {
public:
  TCodeBits(int minCodeSize, std::vector<TSentCode>* sent)
      : startWidth_(minCodeSize + 1), clearCode_(1 << minCodeSize), sent_(sent) {}
  // A code sent while nextFreeCode is the next entry the dictionary would get.
  void Code(int code, int nextFreeCode) {
    if (sent_) sent_->push_back({static_cast<std::uint16_t>(code), static_cast<std::uint8_t>(width_)});
    bits_ += width_;
    StepCodeWidth(startWidth_, nextFreeCode, justCleared_, width_, ceiling_);
  }
  void Clear(int nextFreeCode) {
    justCleared_ = true;
    Code(clearCode_, nextFreeCode);
  }
  void End(int nextFreeCode) { Code(clearCode_ + 1, nextFreeCode); }
  std::int64_t Bits() const { return bits_; }

private:
  const int startWidth_;
  const int clearCode_;
  std::vector<TSentCode>* const sent_;
  int width_ = startWidth_;
  int ceiling_ = (1 << startWidth_) - 1;
  bool justCleared_ = false;
  std::int64_t bits_ = 0;
};

struct TSearchNode {
  int Code;
  std::size_t Length;
};

// Sends recorded codes at their recorded widths instead of matching strings.
class TSentCodeEncoder : public TGIFEncoder {
public:
  explicit TSentCodeEncoder(const std::vector<TSentCode>& codes) : codes_(codes) {}

protected:
  // The end code, which Encode sends after the body, is the last one recorded.
  void EncodeBody() override {
    for (std::size_t i = 0; i + 1 < codes_.size(); ++i) {
      CodeWidth = codes_[i].Width;
      EmitCode(codes_[i].Code);
    }
    CodeWidth = codes_.back().Width;
  }

private:
  const std::vector<TSentCode>& codes_;
};

}  // namespace

bool ReachedClearPoint(const std::vector<TSentCode>& codes, int minCodeSize) {
  const int clearCode = 1 << std::max(minCodeSize, 2);
  int clears = 0;
  int sinceClear = 0;  // codes after the last clear, the end code among them
  for (const TSentCode& code : codes) {
    if (code.Code == clearCode) {
      ++clears;
      sinceClear = 0;
    } else {
      ++sinceClear;
    }
  }
  // A second clear came with a full table. Otherwise every string sent after the clear but
  // the last made an entry.
  const int strings = sinceClear - 1;
  const int nextFreeCode = clearCode + 2 + std::max(strings - 1, 0);
  return clears > 1 || nextFreeCode > TLZWEncoder::kClearPoints[0];
}

void EncodeSentCodes(TStream& stream, int minCodeSize, int colorCount, const TConstFramePixels& frame,
                     const std::vector<TSentCode>& codes) {
  TSentCodeEncoder(codes).Encode(stream, minCodeSize, colorCount, frame);
}

std::int64_t ChooseLongestStrings(TPixelChoices& choices, int minCodeSize, int searchLimit, int clearAt,
                                  std::vector<TSentCode>* sent) {
  std::vector<std::uint8_t>& values = choices.Values;
  const std::vector<std::int16_t>& alternatives = choices.Alternatives;
  const std::size_t count = values.size();
  if (minCodeSize < 2) minCodeSize = 2;
  const int clearCode = 1 << minCodeSize;
  TChoiceDictionary dictionary(clearCode, clearAt);
  if (sent) sent->clear();
  TCodeBits bits(minCodeSize, sent);
  std::vector<TSearchNode> stack;

  // The longest string from start that begins with first, looking at no more than
  // searchLimit nodes, depth first with the pixel's own value before its alternative.
  const auto longestFrom = [&](std::size_t start, int first) {
    TSearchNode best{first, 1};
    stack.clear();
    stack.push_back(best);
    int looked = 0;
    while (!stack.empty() && looked < searchLimit) {
      TSearchNode node = stack.back();
      stack.pop_back();
      for (;;) {
        if (node.Length > best.Length) best = node;
        if (++looked >= searchLimit || start + node.Length == count) break;
        const std::size_t position = start + node.Length;
        if (alternatives[position] >= 0) {
          const int child = dictionary.Child(node.Code, alternatives[position]);
          if (child >= 0) stack.push_back({child, node.Length + 1});
        }
        const int child = dictionary.Child(node.Code, values[position]);
        if (child < 0) break;
        node = {child, node.Length + 1};
      }
    }
    return best;
  };

  if (count > 0) bits.Clear(dictionary.NextFreeCode());
  int previous = -1;  // the string sent before, waiting for its dictionary entry
  std::size_t nextChoice = 0;  // the first pixel at or after start that has an alternative
  for (std::size_t start = 0; start < count;) {
    while (nextChoice < count && (nextChoice < start || alternatives[nextChoice] < 0)) ++nextChoice;
    if (previous >= 0 && dictionary.Full()) {
      bits.Clear(dictionary.NextFreeCode());
      dictionary.Reset();
      previous = -1;
    }
    // The pixel's own value alone, unless the search finds longer. Where no pixel the
    // search would look at has an alternative, it would only follow the pixels' own values,
    // as the walk below does.
    TSearchNode best{values[start], 1};
    int bestFirst = values[start];
    if (nextChoice - start < static_cast<std::size_t>(searchLimit)) {
      for (const int first : {static_cast<int>(values[start]), static_cast<int>(alternatives[start])}) {
        if (first < 0) continue;
        if (previous >= 0) dictionary.SetPending(previous, first);
        const TSearchNode found = longestFrom(start, first);
        if (found.Length > best.Length) {
          best = found;
          bestFirst = first;
        }
      }
    }
    if (previous >= 0) {
      dictionary.SetPending(previous, bestFirst);
      dictionary.AddPending();
    }
    // Past the search limit the encoder would go on matching: follow it, so that the
    // parse stays the encoder's own.
    for (std::size_t position = start + best.Length; position < count; ++position) {
      int child = dictionary.Child(best.Code, values[position]);
      if (child < 0 && alternatives[position] >= 0) child = dictionary.Child(best.Code, alternatives[position]);
      if (child < 0) break;
      best = {child, best.Length + 1};
    }
    // Only a string over a pixel with an alternative can change values.
    if (nextChoice < start + best.Length) dictionary.Spell(best.Code, values.data() + start + best.Length);
    bits.Code(best.Code, dictionary.NextFreeCode());
    previous = best.Code;
    start += best.Length;
  }
  bits.End(dictionary.NextFreeCode());
  const std::int64_t dataBytes = (bits.Bits() + 7) / 8;
  return 1 + dataBytes + (dataBytes + 254) / 255 + 1;
}

}  // namespace lumvane
