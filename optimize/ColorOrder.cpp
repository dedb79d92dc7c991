#include "optimize/ColorOrder.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <numeric>

#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFSubImage.h"

namespace lumvane {
namespace {

// A frame drawing through the global table: the entries its opaque pixels use.
struct TFrameColors {
  std::bitset<256> Used;
  bool Transparent = false;
  std::int64_t Pixels = 0;
};

// The code size of the frame under table: its highest index, or the lowest free one when
// it has transparent pixels, whichever is higher (codes are never narrower than 2 bits).
int CodeSizeUnder(const TFrameColors& frame, const TIndexTable& table) {
  std::bitset<256> mapped;
  for (int i = 0; i < 256; ++i)
    if (frame.Used[i]) mapped.set(table[i]);
  int highest = 0;
  for (int i = 255; i >= 0; --i)
    if (mapped[i]) {
      highest = i;
      break;
    }
  if (frame.Transparent) {
    int free = 0;
    while (free < 256 && mapped[free]) ++free;
    highest = std::max(highest, free);
  }
  return std::max(2, TGIFColorMap::PixelBitsFor(highest + 1));
}

}  // namespace

bool OrderColorsForCodeSizes(TGIFImage& image) {
  TGIFColorMap& map = image.Header.GlobalColorMap();
  const int count = map.Count();
  if (count <= 2) return false;
  std::vector<TFrameColors> frames;
  std::array<std::int64_t, 256> uses{};
  for (const auto& frame : image.Frames) {
    if (frame->LocalColorMap().Count() > 0 || frame->IsEmpty()) continue;
    // Which index is transparent is the last control block's say; one is what optimizing leaves.
    if (frame->ControlBlockCount() > 1) return false;
    TFrameColors colors;
    const int transparent = TransparentIndexOf(*frame);
    std::array<std::int64_t, 256> frameUses{};
    const std::uint8_t* pixels = frame->Pixels();
    for (std::int64_t i = 0; i < frame->PixelCount(); ++i) ++frameUses[pixels[i]];
    for (int value = 0; value < 256; ++value) {
      if (frameUses[value] == 0) continue;
      if (value >= count) return false;  // pixels beyond the table keep their values
      if (value == transparent) {
        colors.Transparent = true;
      } else {
        colors.Used.set(value);
        uses[value] += frameUses[value];
      }
    }
    colors.Pixels = frame->PixelCount();
    frames.push_back(colors);
  }
  if (frames.empty()) return false;

  // Frames with the fewest colors first; each places its colors not yet placed, most used
  // first; the colors no frame uses follow in their order.
  std::vector<const TFrameColors*> order;
  for (const TFrameColors& frame : frames) order.push_back(&frame);
  std::stable_sort(order.begin(), order.end(), [](const TFrameColors* a, const TFrameColors* b) {
    return a->Used.count() != b->Used.count() ? a->Used.count() < b->Used.count() : a->Pixels > b->Pixels;
  });
  TIndexTable table;
  std::iota(table.begin(), table.end(), 0);
  std::bitset<256> placed;
  int next = 0;
  std::vector<int> colors;
  const auto place = [&](int color) {
    if (placed[color]) return;
    placed.set(color);
    table[color] = static_cast<std::uint8_t>(next++);
  };
  for (const TFrameColors* frame : order) {
    colors.clear();
    for (int i = 0; i < count; ++i)
      if (frame->Used[i] && !placed[i]) colors.push_back(i);
    std::stable_sort(colors.begin(), colors.end(), [&](int a, int b) { return uses[a] > uses[b]; });
    for (const int color : colors) place(color);
  }
  for (int i = 0; i < count; ++i) place(i);

  TIndexTable identity;
  std::iota(identity.begin(), identity.end(), 0);
  std::int64_t gain = 0;
  for (const TFrameColors& frame : frames)
    gain += frame.Pixels * (CodeSizeUnder(frame, identity) - CodeSizeUnder(frame, table));
  if (gain <= 0) return false;
  map.Reorder(table);
  return true;
}

int TransparentIndexOf(const TGIFSubImage& frame) {
  const TGIFGraphicControlExtension* control = frame.ControlExtension;
  return control && control->Transparent() ? control->TransparentIndex() : -1;
}

std::bitset<256> OpaqueIndexes(const std::uint8_t* pixels, std::size_t count, int transparent) {
  // A byte per value marks it without a branch per pixel; four at a time.
  std::array<std::uint8_t, 256> seen{};
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    seen[pixels[i]] = 1;
    seen[pixels[i + 1]] = 1;
    seen[pixels[i + 2]] = 1;
    seen[pixels[i + 3]] = 1;
  }
  for (; i < count; ++i) seen[pixels[i]] = 1;
  std::bitset<256> used;
  for (int value = 0; value < 256; ++value)
    if (seen[value] && value != transparent) used.set(value);
  return used;
}

int LowerTransparentIndexes(TGIFImage& image) {
  int changed = 0;
  for (const auto& frame : image.Frames) {
    TGIFGraphicControlExtension* control = frame->ControlExtension;
    // Which index is transparent is the last control block's say; one is what optimizing leaves.
    if (frame->IsEmpty() || !control || !control->Transparent() || frame->ControlBlockCount() > 1) continue;
    const int count = frame->EffectiveColorMap().Count();
    const int transparent = control->TransparentIndex();
    if (transparent >= count) continue;
    std::uint8_t* pixels = frame->Pixels();
    const std::int64_t pixelCount = frame->PixelCount();
    const std::bitset<256> used = OpaqueIndexes(pixels, static_cast<std::size_t>(pixelCount), transparent);
    int lowest = 0;
    while (used[lowest]) ++lowest;  // stops at the transparent index at the latest
    if (lowest >= transparent) continue;
    std::replace(pixels, pixels + pixelCount, static_cast<std::uint8_t>(transparent),
                 static_cast<std::uint8_t>(lowest));
    control->SetTransparentIndex(static_cast<std::uint8_t>(lowest));
    frame->FreeBitmap();
    frame->FreeMask();
    ++changed;
  }
  return changed;
}

}  // namespace lumvane
