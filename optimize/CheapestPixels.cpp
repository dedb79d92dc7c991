#include "optimize/CheapestPixels.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <optional>

#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFSubImage.h"
#include "lzw/ChoiceParse.h"
#include "lzw/FramePixels.h"
#include "lzw/LZWEncoder.h"
#include "lzw/ShortestEncoding.h"
#include "optimize/ColorIndex.h"
#include "optimize/ColorOrder.h"
#include "optimize/Compositor.h"

namespace lumvane {
namespace {

// Rows in the order the encoder sends them.
std::vector<int> SendingOrder(int height, bool interlaced) {
  std::vector<int> rows;
  rows.reserve(height);
  TSendingOrder order(height, interlaced);
  for (int row = order.Next(); row >= 0; row = order.Next()) rows.push_back(row);
  return rows;
}

// The encoder a choice is measured with. By default, on frames larger than the quick
// search's lookahead limit, greedy LZW, the coding the choice is made for: the other
// codings the document may try are left for its saving, where they can only shorten the
// result. Thorough, and on small frames where it costs little, the document's own encoder.
TGIFEncoderKind MeasuringEncoder(const TGIFSubImage& frame, TChoiceEffort effort) {
  const TGIFEncoderKind kind = frame.Image() ? frame.Image()->EncoderKind : encodeLZW;
  return effort == TChoiceEffort::Thorough || frame.PixelCount() <= kQuickLookaheadPixels ? kind : encodeLZW;
}

std::int64_t EncodedSize(TGIFSubImage& frame, TGIFEncoderKind kind) {
  TMemoryStream stream;
  frame.EncodePixels(stream, kind);
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
// A frame without a control block needs one to be transparent: introducer, label, block
// size, four bytes and the terminator.
constexpr std::int64_t kControlBlockBytes = 8;
// A choice that codes 5% longer or more than the frame was is rejected by far.
constexpr std::int64_t kFarLongerNumerator = 21;
constexpr std::int64_t kFarLongerDenominator = 20;

// Ties go to the value tried first. Within a long run of pixels that may be transparent
// that is transparency, which starts the dictionary's strings of it that pay later; in
// short runs it is a color, which continues the strings of the colors around.
void PreferTransparencyInRuns(TPixelChoices& choices, int transparent, std::size_t longRun) {
  std::uint8_t* values = choices.Values.data();
  std::int16_t* alternatives = choices.Alternatives.data();
  const std::size_t count = choices.Values.size();
  const auto mayBeTransparent = [&](std::size_t i) {
    return values[i] == transparent || alternatives[i] == transparent;
  };
  for (std::size_t start = 0; start < count; ++start) {
    if (!mayBeTransparent(start)) continue;
    std::size_t end = start + 1;
    while (end < count && mayBeTransparent(end)) ++end;
    const bool inLongRun = end - start >= longRun;
    for (std::size_t i = start; i < end; ++i) {
      if (alternatives[i] < 0 || (values[i] == transparent) == inLongRun) continue;
      const int other = alternatives[i];
      alternatives[i] = values[i];
      values[i] = static_cast<std::uint8_t>(other);
    }
    start = end;
  }
}

// What the choice sees of a frame: its pixels in rows, the colors its table entries show
// on the canvas, and its transparent index (-1: none).
struct TChoiceFrame {
  const std::uint8_t* Pixels = nullptr;
  std::size_t PixelCount = 0;
  int Width = 0;
  int Height = 0;
  bool Interlaced = false;
  int ColorCount = 0;
  std::array<std::uint32_t, 256> Colors{};
  int Transparent = -1;
};

int HighestPixel(const std::uint8_t* pixels, std::size_t count) {
  return count == 0 ? 0 : *std::max_element(pixels, pixels + count);
}

// The view of a frame whose pixels the choice can work on: the choice follows the LZW
// encoder's parse, needs a color table that holds every pixel, and one control block
// (viewers take the last of several; the optimizer leaves one).
std::optional<TChoiceFrame> ChoiceFrameOf(TGIFSubImage& frame) {
  if (frame.IsEmpty() || frame.PixelCount() != std::int64_t{frame.FrameWidth()} * frame.FrameHeight() ||
      (frame.Image() && frame.Image()->EncoderKind == encodeRLE) || frame.ControlBlockCount() > 1)
    return std::nullopt;
  const TGIFColorMap& map = frame.EffectiveColorMap();
  TChoiceFrame view{frame.Pixels(), static_cast<std::size_t>(frame.PixelCount()), frame.FrameWidth(),
                    frame.FrameHeight(), frame.IsInterlaced(), map.Count()};
  if (view.ColorCount == 0 || HighestPixel(view.Pixels, view.PixelCount) >= view.ColorCount) return std::nullopt;
  for (int i = 0; i < view.ColorCount; ++i) view.Colors[i] = CanvasColor(map.Entries() + 3 * i);
  view.Transparent = TransparentIndexOf(frame);
  return view;
}

// The highest value an opaque pixel has (used: the values they use); 0 when there is none.
int HighestOpaque(const std::bitset<256>& used) {
  for (int index = 255; index > 0; --index)
    if (used[index]) return index;
  return 0;
}

// The transparent index to be: the lowest one no opaque pixel uses; -1 when all are used.
int LowestFreeIndex(const TChoiceFrame& frame, const std::bitset<256>& used) {
  for (int index = 0; index < frame.ColorCount; ++index)
    if (!used[index]) return index;
  return -1;
}

// Each pixel in sending order with its alternative: transparency for an opaque pixel that
// repeats the color below, the color below for a transparent one. Pixels off the canvas
// show nothing and keep their values; transparent ones move to the new index. Returns
// whether any pixel has an alternative.
bool CollectChoices(const TChoiceFrame& frame, int transparent, const std::vector<int>& rows,
                    const TCanvasRowReader& readBelow, int belowWidth, int belowHeight, TPixelChoices& choices) {
  const int width = frame.Width;
  const TColorIndex indexOf(frame.Colors, frame.ColorCount, transparent);
  choices.Values.resize(frame.PixelCount);
  choices.Alternatives.assign(frame.PixelCount, -1);
  std::uint8_t* value = choices.Values.data();
  std::int16_t* alternative = choices.Alternatives.data();
  const int onCanvasWidth = std::clamp(belowWidth, 0, width);
  std::uint32_t lastBelow = 0;
  int lastFound = -1;
  bool anyChoice = false;
  std::vector<std::uint32_t> under(onCanvasWidth);
  for (const int y : rows) {
    const std::uint8_t* row = frame.Pixels + static_cast<std::size_t>(y) * width;
    std::copy_n(row, width, value);
    if (y < belowHeight && onCanvasWidth > 0) {
      readBelow(y, under.data());
      for (int x = 0; x < onCanvasWidth; ++x) {
        if (row[x] != frame.Transparent) {
          if (frame.Colors[row[x]] == under[x]) alternative[x] = static_cast<std::int16_t>(transparent);
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
    if (frame.Transparent >= 0)
      std::replace(value, value + width, static_cast<std::uint8_t>(frame.Transparent),
                   static_cast<std::uint8_t>(transparent));
    value += width;
    alternative += width;
  }
  return anyChoice;
}

// The highest value the choices may give a pixel, which sets the code size.
int HighestChoice(const TPixelChoices& choices) {
  int highest = HighestPixel(choices.Values.data(), choices.Values.size());
  for (const std::int16_t other : choices.Alternatives) highest = std::max<int>(highest, other);
  return highest;
}

// The choice that codes shortest by the encoder's own count, and that count. By default one
// way of breaking ties, whose codes go to sent when it is given; thorough, every long run
// at every clear point the frame can reach. The last try takes the choices themselves
// rather than a copy.
std::int64_t ShortestChoice(TPixelChoices& choices, int transparent, int codeSize, std::int64_t pixelCount,
                            bool thorough, const TCancellation* cancellation, TPixelChoices& best,
                            std::vector<TSentCode>* sent) {
  std::int64_t shortest = 0;
  const auto tryChoice = [&](std::size_t longRun, int clearAt, bool last) {
    ThrowIfCancelled(cancellation);
    TPixelChoices tried = last ? std::move(choices) : choices;
    PreferTransparencyInRuns(tried, transparent, longRun);
    const std::int64_t size = ChooseLongestStrings(tried, codeSize, thorough ? kThoroughSearch : kDefaultSearch,
                                                   clearAt, thorough ? nullptr : sent);
    if (best.Values.empty() || size < shortest) {
      best = std::move(tried);
      shortest = size;
    }
  };
  if (!thorough) {
    tryChoice(kDefaultLongRun, TLZWEncoder::kDefaultClearAt, true);
    return shortest;
  }
  // A frame that cannot reach a clear point chooses alike at all of them.
  const bool reachesClearPoint = TLZWEncoder::MayReachClearPoint(pixelCount, codeSize);
  for (const int clearAt : TLZWEncoder::kClearPoints) {
    const bool lastClearPoint = !reachesClearPoint || clearAt == std::end(TLZWEncoder::kClearPoints)[-1];
    for (const std::size_t longRun : kThoroughLongRuns)
      tryChoice(longRun, clearAt, lastClearPoint && longRun == std::end(kThoroughLongRuns)[-1]);
    if (lastClearPoint) break;
  }
  return shortest;
}

// Puts the chosen values (in sending order) into the frame with the new transparent index
// when it then saves shorter than before; else the frame stays as it was. The codes the
// choice sent, if recorded, give a frame kept its greedy coding without coding it again.
TPixelChoiceResult KeepIfShorter(TGIFSubImage& frame, const TPixelChoices& best, const std::vector<int>& rows,
                                 int transparent, int codeSize, std::int64_t after, TGIFEncoderKind measuring,
                                 const std::vector<TSentCode>& sent) {
  const std::int64_t before = EncodedSize(frame, measuring);
  const int width = frame.FrameWidth();
  std::uint8_t* pixels = frame.Pixels();
  const std::size_t count = static_cast<std::size_t>(frame.PixelCount());
  std::vector<std::uint8_t> original(pixels, pixels + count);
  auto chosen = best.Values.cbegin();
  for (const int y : rows) {
    std::copy_n(chosen, width, pixels + static_cast<std::ptrdiff_t>(y) * width);
    chosen += width;
  }
  // The count holds for greedy LZW with the code size the choice was made with; the chosen
  // pixels may need a smaller one, and the encoder may try more than greedy LZW.
  if (frame.CodeSizeFor(HighestPixel(pixels, count)) != codeSize ||
      measuring != encodeLZW)
    after = EncodedSize(frame, measuring);
  if (!frame.ControlExtension) after += kControlBlockBytes;
  if (after >= before) {
    std::copy(original.begin(), original.end(), pixels);
    return after * kFarLongerDenominator > before * kFarLongerNumerator ? TPixelChoiceResult::RejectedByFar
                                                                        : TPixelChoiceResult::Rejected;
  }
  if (!sent.empty()) {
    TMemoryStream greedy;
    EncodeSentCodes(greedy, codeSize, frame.EffectiveColorMap().Count(),
                    {pixels, width, frame.FrameHeight(), frame.IsInterlaced()}, sent);
    frame.RememberEncoding(encodeLZW, codeSize, greedy.TakeBytes(), ReachedClearPoint(sent, codeSize));
  }
  if (!frame.ControlExtension) frame.Extensions().Add(std::make_unique<TGIFGraphicControlExtension>(frame));
  frame.ControlExtension->SetTransparent(true);
  frame.ControlExtension->SetTransparentIndex(static_cast<std::uint8_t>(transparent));
  frame.IsTransparent = true;
  frame.FreeBitmap();
  frame.FreeMask();
  return TPixelChoiceResult::Kept;
}

}  // namespace

TPixelChoiceResult ChooseFramePixels(TGIFSubImage& frame, const TCanvasRowReader& readBelow, int belowWidth,
                                     int belowHeight, TChoiceEffort effort) {
  const std::optional<TChoiceFrame> view = ChoiceFrameOf(frame);
  if (!view) return TPixelChoiceResult::NothingToChoose;
  const std::bitset<256> used = OpaqueIndexes(view->Pixels, view->PixelCount, view->Transparent);
  const int transparent = LowestFreeIndex(*view, used);
  if (transparent < 0) return TPixelChoiceResult::NothingToChoose;
  if (belowWidth <= 0 || belowHeight <= 0) {
    // Over nothing no pixel has an alternative, and only a lower transparent index can pay,
    // by narrowing the codes: known without collecting the choices.
    const std::uint8_t* end = view->Pixels + view->PixelCount;
    const bool anyTransparent =
        view->Transparent >= 0 && std::find(view->Pixels, end, view->Transparent) != end;
    if (!anyTransparent || frame.CodeSizeFor(std::max(HighestOpaque(used), transparent)) ==
                               frame.CodeSizeFor(HighestPixel(view->Pixels, view->PixelCount)))
      return TPixelChoiceResult::NothingToChoose;
  }
  const std::vector<int> rows = SendingOrder(view->Height, view->Interlaced);
  TPixelChoices choices;
  const bool anyChoice = CollectChoices(*view, transparent, rows, readBelow, belowWidth, belowHeight, choices);
  const int codeSize = frame.CodeSizeFor(HighestChoice(choices));
  // Without a choice to make, only a lower transparent index can pay, by narrowing the codes.
  if (!anyChoice && (view->Transparent < 0 || codeSize == frame.CodeSizeFor(HighestPixel(view->Pixels, view->PixelCount))))
    return TPixelChoiceResult::NothingToChoose;
  TPixelChoices best;
  // Measured greedy, the choice's own count is the measure: its codes are the frame's coding.
  const TGIFEncoderKind measuring = MeasuringEncoder(frame, effort);
  std::vector<TSentCode> sent;
  const std::int64_t after = ShortestChoice(choices, transparent, codeSize, frame.PixelCount(),
                                            effort == TChoiceEffort::Thorough,
                                            frame.Image() ? frame.Image()->Cancellation : nullptr, best,
                                            measuring == encodeLZW ? &sent : nullptr);
  return KeepIfShorter(frame, best, rows, transparent, codeSize, after, measuring, sent);
}

int ChooseCheapestPixels(TGIFImage& image, TChoiceEffort effort) {
  const bool thorough = effort == TChoiceEffort::Thorough;
  int changed = 0;
  int rejectedInARow = 0;
  // The choice changes pixels and transparency, never a color map.
  const TGIFImage::TFixedPixelBits fixed(image);
  TCompositor compositor(image);
  // The compositor hands each frame over just before it paints it on the canvas the frames
  // before left. The choice may change the frame's pixels and transparency, so that it shows
  // the same over that canvas; it never changes the frame's place, size or color table, nor
  // any other frame, so the canvas the compositor goes on with is the one it would have had.
  compositor.BeforePaint = [&](int frameIndex) {
    // By default, frames alike the ones whose choice lost by far are not tried.
    if (!thorough && rejectedInARow >= kDefaultRejectionsToStop) return;
    TGIFSubImage& frame = image.Frames[frameIndex];
    const TCanvasArea area = compositor.ClippedRect(frame);
    const auto readBelow = [&](int y, std::uint32_t* out) {
      compositor.ReadCanvas({area.Left, area.Top + y, area.Right, area.Top + y + 1}, out);
    };
    // Over a blank canvas every pixel is as off the canvas: nothing below to read.
    const bool blank = compositor.IsBlank();
    switch (ChooseFramePixels(frame, readBelow, blank ? 0 : area.Width(), blank ? 0 : area.Height(), effort)) {
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
