// Packing color maps: entries ordered by use, most used first, unused ones dropped, and
// the pixels of every frame that draws through the map rewritten to the new order.

#include <algorithm>
#include <array>

#include "gif/GIFColorMap.h"
#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFHeader.h"
#include "gif/GIFImage.h"
#include "gif/GIFSubImage.h"

namespace lumvane {
namespace {

void StartUsage(TColorUsageArray& usage) {
  for (int i = 0; i < 256; ++i) usage[i] = TColorUsage{0, i};
}

// Four tallies taken in turn: a run of one value then adds to four counters instead of
// waiting on one, pixel after pixel. A frame holds at most 2^28 pixels, so each fits.
void CountFramePixels(const TGIFSubImage& frame, TColorUsageArray& usage) {
  const std::uint8_t* pixels = frame.Pixels();
  const std::int64_t count = std::min<std::int64_t>(frame.PixelCount(),
                                                    std::int64_t{frame.FrameWidth()} * frame.FrameHeight());
  std::array<std::array<std::uint32_t, 256>, 4> tallies{};
  std::int64_t i = 0;
  for (; i + 4 <= count; i += 4) {
    ++tallies[0][pixels[i]];
    ++tallies[1][pixels[i + 1]];
    ++tallies[2][pixels[i + 2]];
    ++tallies[3][pixels[i + 3]];
  }
  for (; i < count; ++i) ++tallies[0][pixels[i]];
  for (int value = 0; value < 256; ++value)
    usage[value].Count += std::int64_t{tallies[0][value]} + tallies[1][value] + tallies[2][value] + tallies[3][value];
}

void RemapFrame(TGIFSubImage& frame, const TIndexTable& table, int mapCount) {
  std::uint8_t* pixels = frame.Pixels();
  const std::int64_t count = std::min<std::int64_t>(frame.PixelCount(),
                                                    std::int64_t{frame.FrameWidth()} * frame.FrameHeight());
  const TIndexTable local = table;  // a copy the pixel stores cannot alias
  for (std::int64_t i = 0; i < count; ++i) pixels[i] = local[pixels[i]];
  // Every control block's transparent index follows (viewers go by the last one, which
  // need not be the frame's ControlExtension); one beyond the map names no entry: it keeps
  // its value.
  for (const auto& extension : frame.Extensions()) {
    auto* control = dynamic_cast<TGIFGraphicControlExtension*>(extension.get());
    if (control && control->Transparent() && control->TransparentIndex() < mapCount)
      control->SetTransparentIndex(table[control->TransparentIndex()]);
  }
}

// Descending by use count; this exact partitioning decides the order of equal counts.
void SortByUse(TColorUsage* records, int left, int right) {
  for (;;) {
    int i = left, j = right;
    const std::int64_t pivot = records[(left + right) / 2].Count;
    do {
      while (records[i].Count > pivot) ++i;
      while (records[j].Count < pivot) --j;
      if (i <= j) {
        std::swap(records[i], records[j]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (left < j) SortByUse(records, left, j);
    left = i;
    if (i >= right) return;
  }
}

}  // namespace

bool TGIFColorMap::PackColorMap() {
  const int n = count_;
  if (n <= 1) return false;
  sorted_ = true;
  TColorUsageArray usage;
  CountUsage(usage);
  const bool pixelsBeyond =
      std::any_of(usage.begin() + n, usage.end(), [](const TColorUsage& u) { return u.Count > 0; });
  SortByUse(usage.data(), 0, n - 1);
  bool inOrder = true;
  for (int k = 0; k < n && inOrder; ++k) inOrder = usage[k].Index == k;
  if (inOrder) return true;

  TIndexTable table;
  for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(i);
  for (int k = 0; k < n; ++k) table[usage[k].Index] = static_cast<std::uint8_t>(k);
  Reorder(table);
  int used = n;
  if (!pixelsBeyond) {
    for (int k = 0; k < n; ++k)
      if (usage[k].Count == 0) {
        used = k;
        break;
      }
  }
  count_ = used;
  NotifyChanged();
  return true;
}

void TGIFColorMap::Reorder(const TIndexTable& table) {
  RemapIndexes(table);
  const std::vector<std::uint8_t> before(entries_.begin(), entries_.begin() + count_ * 3);
  for (int i = 0; i < count_; ++i) std::copy_n(&before[i * 3], 3, &entries_[table[i] * 3]);
  NotifyChanged();
}

void TGIFGlobalColorMap::CountUsage(TColorUsageArray& usage) {
  StartUsage(usage);
  if (TGIFImage* image = header_.Image())
    for (const auto& frame : image->Frames)
      if (&frame->EffectiveColorMap() == this) CountFramePixels(*frame, usage);
}

void TGIFGlobalColorMap::RemapIndexes(const TIndexTable& table) {
  if (TGIFImage* image = header_.Image())
    for (const auto& frame : image->Frames)
      if (&frame->EffectiveColorMap() == this) RemapFrame(*frame, table, Count());
}

bool TGIFGlobalColorMap::PackEntries() {
  TGIFImage* image = header_.Image();
  return image && image->Frames.Count() > 0 && PackColorMap();
}

void TGIFLocalColorMap::CountUsage(TColorUsageArray& usage) {
  StartUsage(usage);
  CountFramePixels(frame_, usage);
}

void TGIFLocalColorMap::RemapIndexes(const TIndexTable& table) { RemapFrame(frame_, table, Count()); }

bool TGIFLocalColorMap::PackEntries() { return PackColorMap(); }

}  // namespace lumvane
