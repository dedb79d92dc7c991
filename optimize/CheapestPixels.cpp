#include "optimize/CheapestPixels.h"

#include <algorithm>
#include <array>

#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFSubImage.h"
#include "lzw/ChoiceParse.h"
#include "lzw/GIFEncoder.h"
#include "optimize/Compositor.h"

namespace lumvane {
namespace {

// Rows in the order the encoder sends them.
std::vector<int> SendingOrder(int height, bool interlaced) {
  std::vector<int> rows;
  rows.reserve(height);
  if (!interlaced) {
    for (int y = 0; y < height; ++y) rows.push_back(y);
    return rows;
  }
  for (int pass = 0; pass < 4; ++pass)
    for (int y = kInterlacePassStart[pass]; y < height; y += kInterlacePassStep[pass]) rows.push_back(y);
  return rows;
}

// Table entries by canvas color, for finding an index that shows a given color.
class TColorIndex {
public:
  TColorIndex(const std::array<std::uint32_t, 256>& colors, int count, int excluded) {
    for (int i = 0; i < count; ++i)
      if (i != excluded) entries_.push_back({colors[i], i});
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const TEntry& a, const TEntry& b) { return a.Color < b.Color; });
  }
  // The lowest index showing color, or -1.
  int Find(std::uint32_t color) const {
    const auto found = std::lower_bound(entries_.begin(), entries_.end(), color,
                                        [](const TEntry& entry, std::uint32_t c) { return entry.Color < c; });
    return found != entries_.end() && found->Color == color ? found->Index : -1;
  }

private:
  struct TEntry {
    std::uint32_t Color;
    int Index;
  };
  std::vector<TEntry> entries_;
};

std::int64_t EncodedSize(TGIFSubImage& frame) {
  TMemoryStream stream;
  frame.EncodePixels(stream);
  return stream.Size();
}

// The shortest run that prefers transparency, by default; thorough, each is tried.
constexpr std::size_t kDefaultLongRun = 4;
constexpr std::size_t kThoroughLongRuns[] = {1, 2, 4, 8, 16, 64};
// By default the choice stops for a document after this many frames in a row whose choice
// coded 5% longer or more: their pixels were tuned to their encoder's strings (see
// TLZWEncoder), so whatever is chosen loses, and trying every frame of them costs more
// than all the rest.
constexpr int kDefaultRejectionsToStop = 3;
// Dictionary nodes searched per string.
constexpr int kDefaultSearch = 16;
constexpr int kThoroughSearch = 4096;

// Ties go to the value tried first. Within a long run of pixels that may be transparent
// that is transparency, which starts the dictionary's strings of it that pay later; in
// short runs it is a color, which continues the strings of the colors around.
void PreferTransparencyInRuns(TPixelChoices& choices, int transparent, std::size_t longRun) {
  std::vector<std::uint8_t>& values = choices.Values;
  std::vector<std::int16_t>& alternatives = choices.Alternatives;
  const std::size_t count = values.size();
  const auto mayBeTransparent = [&](std::size_t i) {
    return values[i] == transparent || alternatives[i] == transparent;
  };
  for (std::size_t start = 0; start < count;) {
    std::size_t end = start;
    while (end < count && mayBeTransparent(end)) ++end;
    const bool inLongRun = end - start >= longRun;
    for (std::size_t i = start; i < end; ++i) {
      if (alternatives[i] < 0 || (values[i] == transparent) == inLongRun) continue;
      const int other = alternatives[i];
      alternatives[i] = values[i];
      values[i] = static_cast<std::uint8_t>(other);
    }
    start = end == start ? end + 1 : end;
  }
}

}  // namespace

TPixelChoiceResult TGIFSubImage::ChooseCheapestPixels(const TCanvasRowReader& readBelow, int belowWidth,
                                                      int belowHeight, bool thorough) {
  // The choice follows the LZW encoder's parse.
  if (IsEmpty() || PixelCount() != std::int64_t{FrameWidth()} * FrameHeight() ||
      (Image() && Image()->EncoderKind == encodeRLE))
    return TPixelChoiceResult::NothingToChoose;
  TGIFColorMap& map = EffectiveColorMap();
  const int count = map.Count();
  // Viewers take the last of several control blocks; the optimizer leaves one.
  if (count == 0 || ControlBlockCount() > 1 || HasPixelsBeyondColorMap()) return TPixelChoiceResult::NothingToChoose;
  const int oldTransparent =
      ControlExtension && ControlExtension->Transparent() ? ControlExtension->TransparentIndex() : -1;

  // The transparent index to be: the lowest one no opaque pixel uses.
  std::array<bool, 256> used{};
  for (const std::uint8_t p : pixels_)
    if (p != oldTransparent) used[p] = true;
  const int transparent = static_cast<int>(std::find(used.begin(), used.begin() + count, false) - used.begin());
  if (transparent == count) return TPixelChoiceResult::NothingToChoose;

  std::array<std::uint32_t, 256> colors{};
  for (int i = 0; i < count; ++i) colors[i] = CanvasColor(map.Entries() + 3 * i);
  const TColorIndex indexOf(colors, count, transparent);

  // Each pixel in sending order with its alternative: transparency for an opaque pixel that
  // repeats the color below, the color below for a transparent one.
  const int width = FrameWidth();
  const std::vector<int> rows = SendingOrder(FrameHeight(), IsInterlaced());
  TPixelChoices choices;
  choices.Values.resize(pixels_.size());
  choices.Alternatives.assign(pixels_.size(), -1);
  std::uint8_t* value = choices.Values.data();
  std::int16_t* alternative = choices.Alternatives.data();
  // Pixels off the canvas show nothing and keep their values.
  const int onCanvasWidth = std::clamp(belowWidth, 0, width);
  std::uint32_t lastBelow = 0;
  int lastFound = -1;
  bool anyChoice = false;
  std::vector<std::uint32_t> under(std::max(onCanvasWidth, 0));
  for (const int y : rows) {
    const std::uint8_t* row = pixels_.data() + static_cast<std::size_t>(y) * width;
    std::copy_n(row, width, value);
    if (y < belowHeight && onCanvasWidth > 0) {
      readBelow(y, under.data());
      for (int x = 0; x < onCanvasWidth; ++x) {
        if (row[x] != oldTransparent) {
          if (colors[row[x]] == under[x]) alternative[x] = static_cast<std::int16_t>(transparent);
        } else if (under[x] != 0) {
          if (under[x] != lastBelow) {
            lastBelow = under[x];
            lastFound = indexOf.Find(lastBelow);
          }
          alternative[x] = static_cast<std::int16_t>(lastFound);
        }
        anyChoice |= alternative[x] >= 0;
      }
    }
    if (oldTransparent >= 0)
      std::replace(value, value + width, static_cast<std::uint8_t>(oldTransparent),
                   static_cast<std::uint8_t>(transparent));
    value += width;
    alternative += width;
  }
  int highest = *std::max_element(choices.Values.begin(), choices.Values.end());
  for (const std::int16_t other : choices.Alternatives) highest = std::max<int>(highest, other);
  // Without a choice to make, only a lower transparent index can pay, by narrowing the codes.
  if (!anyChoice && (oldTransparent < 0 || CodeSizeFor(highest) == CodeSizeFor(*std::max_element(
                                                                          pixels_.begin(), pixels_.end()))))
    return TPixelChoiceResult::NothingToChoose;
  // The choice that codes shortest, by the encoder's own count.
  const int codeSize = CodeSizeFor(highest);
  TPixelChoices best;
  std::int64_t after = 0;
  // The last try takes the choices themselves rather than a copy.
  const auto tryChoice = [&](std::size_t longRun, int clearAt, bool last) {
    ThrowIfCancelled(Image() ? Image()->Cancellation : nullptr);
    TPixelChoices tried = last ? std::move(choices) : choices;
    PreferTransparencyInRuns(tried, transparent, longRun);
    const std::int64_t size =
        ChooseLongestStrings(tried, codeSize, thorough ? kThoroughSearch : kDefaultSearch, clearAt);
    if (best.Values.empty() || size < after) {
      best = std::move(tried);
      after = size;
    }
  };
  if (thorough) {
    // A frame that cannot reach a clear point chooses alike at all of them.
    const bool reachesClearPoint = TLZWEncoder::MayReachClearPoint(PixelCount(), codeSize);
    for (const int clearAt : TLZWEncoder::kClearPoints) {
      const bool lastClearPoint = !reachesClearPoint || clearAt == std::end(TLZWEncoder::kClearPoints)[-1];
      for (const std::size_t longRun : kThoroughLongRuns)
        tryChoice(longRun, clearAt, lastClearPoint && longRun == std::end(kThoroughLongRuns)[-1]);
      if (lastClearPoint) break;
    }
  } else {
    tryChoice(kDefaultLongRun, TLZWEncoder::kDefaultClearAt, true);
  }
  // Kept only when the frame saves shorter than before.
  const std::int64_t before = EncodedSize(*this);
  std::vector<std::uint8_t> original = pixels_;
  auto chosen = best.Values.cbegin();
  for (const int y : rows) {
    std::copy_n(chosen, width, pixels_.begin() + static_cast<std::ptrdiff_t>(y) * width);
    chosen += width;
  }
  // The count holds for greedy LZW with the code size the choice was made with; the chosen
  // pixels may need a smaller one, and the encoder may try more than greedy LZW.
  if (CodeSizeFor(*std::max_element(pixels_.begin(), pixels_.end())) != codeSize ||
      (Image() && Image()->EncoderKind != encodeLZW))
    after = EncodedSize(*this);
  // A frame without a control block needs one (8 bytes) to be transparent.
  if (!ControlExtension) after += 8;
  if (after >= before) {
    pixels_ = std::move(original);
    return after * 20 > before * 21 ? TPixelChoiceResult::RejectedByFar : TPixelChoiceResult::Rejected;
  }
  if (!ControlExtension) extensions_.Add(std::make_unique<TGIFGraphicControlExtension>(*this));
  ControlExtension->SetTransparent(true);
  ControlExtension->SetTransparentIndex(static_cast<std::uint8_t>(transparent));
  IsTransparent = true;
  FreeRendering();
  return TPixelChoiceResult::Kept;
}

int ChooseCheapestPixels(TGIFImage& image, TChoiceEffort effort) {
  const bool thorough = effort == TChoiceEffort::Thorough;
  int changed = 0;
  int rejectedInARow = 0;
  // The choice changes pixels and transparency, never a color map.
  const TGIFImage::TFixedPixelBits fixed(image);
  TCompositor compositor(image);
  compositor.BeforePaint = [&](int frameIndex) {
    // By default, frames alike the ones whose choice lost by far are not tried.
    if (!thorough && rejectedInARow >= kDefaultRejectionsToStop) return;
    TGIFSubImage& frame = image.Frames[frameIndex];
    const TCanvasArea area = compositor.ClippedRect(frame);
    const auto readBelow = [&](int y, std::uint32_t* out) {
      compositor.ReadCanvas({area.Left, area.Top + y, area.Right, area.Top + y + 1}, out);
    };
    switch (frame.ChooseCheapestPixels(readBelow, area.Width(), area.Height(), thorough)) {
      case TPixelChoiceResult::Kept:
        ++changed;
        rejectedInARow = 0;
        break;
      case TPixelChoiceResult::RejectedByFar:
        ++rejectedInARow;
        break;
      case TPixelChoiceResult::Rejected:
        rejectedInARow = 0;
        break;
      case TPixelChoiceResult::NothingToChoose:
        break;
    }
  };
  compositor.PaintAll();
  return changed;
}

}  // namespace lumvane
