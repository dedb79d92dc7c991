#include "optimize/FrameRebuild.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

#include "gif/GIFApplicationExtensions.h"
#include "gif/GIFGraphicControlExtension.h"
#include "optimize/ColorIndex.h"
#include "optimize/Compositor.h"

namespace lumvane {
namespace {

using TPixels = std::vector<std::uint32_t>;

// The bounding box of the pixels where differs(a, b) holds.
template <class Differs>
TRect BoxWhere(const TPixels& a, const TPixels& b, int width, int height, Differs differs) {
  TRect box{width, height, 0, 0};
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* rowA = a.data() + static_cast<std::size_t>(y) * width;
    const std::uint32_t* rowB = b.data() + static_cast<std::size_t>(y) * width;
    int x = 0;
    while (x < width && !differs(rowA[x], rowB[x])) ++x;
    if (x == width) continue;
    int last = width - 1;
    while (!differs(rowA[last], rowB[last])) --last;
    box.Left = std::min(box.Left, x);
    box.Right = std::max(box.Right, last + 1);
    box.Top = std::min(box.Top, y);
    box.Bottom = y + 1;
  }
  return box;
}

// Writes the frames of the rebuilt document one after another.
class TFrameWriter {
public:
  TFrameWriter(TGIFImage& target, int width, const TColorIndex* globalColors)
      : target_(target), width_(width), global_(globalColors) {}

  // Adds the frame that turns the canvas below into the picture, drawing the box (empty: a
  // single transparent pixel) and then leaving the canvas as disposal says. Inside the box,
  // pixels the canvas already shows are transparent; false when no frame can do it.
  // An animation's frames keep their pictures' delays; a still's frame needs no control block.
  bool Write(const TPixels& below, const TPicture& picture, TRect box, TDisposalMethod disposal, int loopCount,
             bool animated) {
    const TPixels& shown = picture.Pixels;
    if (box.IsEmpty()) box = {0, 0, 1, 1};
    auto frame = std::make_unique<TGIFSubImage>(&target_);
    frame->SetGeometry(box.Left, box.Top, box.Right - box.Left, box.Bottom - box.Top);
    // A shown pixel that is opaque where it was, is kept by transparency; with more colors
    // than a local table holds, only pixels that must stay transparent are.
    bool keepUnchanged = true;
    int transparent = -1;
    if (global_) {
      transparent = global_->Count();
    } else {
      local_.Clear();
      bool usesTransparency = false;
      if (!CollectColors(below, shown, box, true, usesTransparency) || local_.Count() + usesTransparency > 256) {
        keepUnchanged = false;
        usesTransparency = false;
        local_.Clear();
        if (!CollectColors(below, shown, box, false, usesTransparency) || local_.Count() + usesTransparency > 256)
          return false;
      }
      for (const std::uint32_t color : local_.Colors()) frame->LocalColorMap().AddColor(color & 0xFFFFFF);
      if (usesTransparency) transparent = frame->LocalColorMap().AddColor(0);
    }
    const TColorIndex& colors = global_ ? *global_ : local_;

    bool usesTransparency = false;
    std::uint8_t* out = frame->Pixels();
    for (int y = box.Top; y < box.Bottom; ++y) {
      const std::size_t row = static_cast<std::size_t>(y) * width_;
      int previous = -1;
      for (int x = box.Left; x < box.Right; ++x) {
        const std::uint32_t pixel = shown[row + x];
        int index;
        // An unchanged pixel that continues a run of its own color is drawn: longer runs
        // compress better than a run broken by transparency.
        if (pixel != 0 && pixel == below[row + x] && previous >= 0 && previous != transparent &&
            colors.Find(pixel) == previous) {
          index = previous;
        } else if (pixel == 0 || (keepUnchanged && pixel == below[row + x])) {
          // A frame cannot turn a pixel transparent: the canvas must be transparent already.
          if (below[row + x] != pixel || transparent < 0) return false;
          index = transparent;
          usesTransparency = true;
        } else {
          index = colors.Find(pixel);
          if (index < 0) return false;
        }
        *out++ = static_cast<std::uint8_t>(index);
        previous = index;
      }
    }

    if (loopCount >= 0) {
      auto loop = std::make_unique<TGIFAppExtNSLoop>(*frame);
      loop->LoopCount = static_cast<std::uint16_t>(loopCount);
      frame->Extensions().Add(std::move(loop));
    }
    if (animated || usesTransparency) {
      auto control = std::make_unique<TGIFGraphicControlExtension>(*frame);
      TGIFGraphicControlExtension& added = *control;
      frame->Extensions().Add(std::move(control));
      added.SetDisposal(disposal);
      if (animated) {
        // A picture of one frame keeps that frame's delay as written. The delays of
        // identical frames add up alike for every viewer only when each is at least 2
        // (browsers play 0 and 1 as 10, others as written): then the sum equals the time.
        if (picture.Frames > 1 && picture.WrittenTime != picture.Time) return false;
        if (picture.WrittenTime > 0xFFFF) return false;
        added.SetDelay(static_cast<std::uint16_t>(picture.WrittenTime));
      }
      if (usesTransparency) {
        added.SetTransparent(true);
        added.SetTransparentIndex(static_cast<std::uint8_t>(transparent));
      }
    }
    target_.Frames.Add(std::move(frame));
    return true;
  }

private:
  // The colors of the pixels the frame draws into local_; usesTransparency tells whether
  // any pixel is left to the canvas. False when they pass 256.
  bool CollectColors(const TPixels& below, const TPixels& shown, const TRect& box, bool keepUnchanged,
                     bool& usesTransparency) {
    std::uint32_t last = 0;
    for (int y = box.Top; y < box.Bottom; ++y) {
      const std::size_t row = static_cast<std::size_t>(y) * width_;
      for (int x = box.Left; x < box.Right; ++x) {
        const std::uint32_t pixel = shown[row + x];
        if (pixel == 0 || (keepUnchanged && pixel == below[row + x])) {
          usesTransparency = true;
        } else if (pixel != last) {
          if (local_.Add(pixel) < 0) return false;
          last = pixel;
        }
      }
    }
    return true;
  }

  TGIFImage& target_;
  const int width_;
  const TColorIndex* global_;
  TColorIndex local_;
};

// The opaque colors of all pictures, in the order the pictures first show them, while they
// fit a table with a transparent entry. A picture shows no color that its frame did not
// paint (disposal only clears or brings back what was shown), and every pixel a frame
// paints on the canvas is shown: the frames' painted pixels in order give the pictures'
// colors in order.
struct TSurvey {
  TColorIndex Colors;
  bool ColorsFit = true;
};

TSurvey Survey(const TGIFImage& source) {
  TSurvey survey;
  const TCompositor canvas(source);
  for (const auto& frame : source.Frames) {
    if (!HoldsImage(*frame)) continue;
    const std::array<std::uint32_t, 256> colors = PaintedColors(source, *frame);
    const TCanvasArea area = canvas.ClippedRect(*frame);
    std::uint32_t last = 0;
    for (int y = area.Top; y < area.Bottom; ++y) {
      const std::uint8_t* row = frame->Pixels() + static_cast<std::size_t>(y - area.Top) * frame->FrameWidth();
      for (int x = 0; x < area.Width(); ++x) {
        const std::uint32_t pixel = colors[row[x]];
        if (pixel == 0 || pixel == last) continue;
        last = pixel;
        if (survey.Colors.Find(pixel) >= 0) continue;
        if (survey.Colors.Count() == 255) {
          survey.ColorsFit = false;
          return survey;
        }
        survey.Colors.Add(pixel);
      }
    }
  }
  return survey;
}

bool Build(const TGIFImage& source, TGIFImage& target) {
  TCompositor compositor(source);
  const int width = compositor.Width();
  const int height = compositor.Height();
  if (width <= 0 || height <= 0) return false;
  // Pictures k - 1 and k side by side, and the canvas before the frame of picture k - 1.
  TPicture shown, next;
  if (!compositor.Next(shown)) return false;
  const TSurvey survey = Survey(source);

  target.Header.SetLogicalScreenWidth(width);
  target.Header.SetLogicalScreenHeight(height);
  target.Header.SetBackgroundIndex(0);
  target.Header.ScreenDescriptor[6] = source.Header.PixelAspectRatio();
  const TColorIndex* global = nullptr;
  if (survey.ColorsFit) {
    // Every frame draws through one table: the colors, then the transparent entry.
    for (const std::uint32_t color : survey.Colors.Colors()) target.Header.GlobalColorMap().AddColor(color & 0xFFFFFF);
    target.Header.GlobalColorMap().AddColor(0);
    global = &survey.Colors;
  }
  TFrameWriter writer(target, width, global);

  TPixels below(shown.Pixels.size(), 0);
  // The first frame carries the loop count of an animation: one written while a next
  // picture follows.
  int loopCount = compositor.LoopCount();
  bool animated = false;
  const auto opaqueTurnsTransparent = [](std::uint32_t before, std::uint32_t after) { return before != 0 && after == 0; };
  const auto differs = [](std::uint32_t a, std::uint32_t b) { return a != b; };
  while (compositor.Next(next)) {
    animated = true;
    TRect box = BoxWhere(below, shown.Pixels, width, height, differs);
    // Pixels that must turn transparent again are cleared by disposal 2, which clears the
    // frame's whole rectangle: the rectangle grows to hold them.
    const TRect cleared = BoxWhere(shown.Pixels, next.Pixels, width, height, opaqueTurnsTransparent);
    const TDisposalMethod disposal = cleared.IsEmpty() ? DisposalKeep : DisposalRestoreBackground;
    box = Union(box, cleared);
    if (!writer.Write(below, shown, box, disposal, loopCount, animated)) return false;
    loopCount = -1;
    below.swap(shown.Pixels);
    if (disposal == DisposalRestoreBackground)
      for (int y = box.Top; y < box.Bottom; ++y)
        std::fill_n(below.begin() + static_cast<std::ptrdiff_t>(y) * width + box.Left, box.Right - box.Left, 0u);
    std::swap(shown, next);
  }
  const TRect box = BoxWhere(below, shown.Pixels, width, height, differs);
  return writer.Write(below, shown, box, DisposalKeep, -1, animated);
}

// Rebuilding composites every picture of the whole screen several times over: it is tried
// when the screen's pictures stay small (at most kRebuildScreenPixels, four of them are
// held at once) and their work is not far beyond what the frames hold themselves.
constexpr std::int64_t kRebuildScreenPixels = std::int64_t{1} << 24;
constexpr std::int64_t kRebuildBaseWork = std::int64_t{1} << 26;
constexpr std::int64_t kRebuildWorkPerFramePixel = 16;

bool RebuildIsAffordable(const TGIFImage& source) {
  const std::int64_t screen = std::int64_t{source.Width()} * source.Height();
  if (screen > kRebuildScreenPixels) return false;
  const std::int64_t work = screen * source.Frames.Count();
  return work <= std::max(kRebuildBaseWork, kRebuildWorkPerFramePixel * source.PixelTotal());
}

}  // namespace

bool RebuildFrames(const TGIFImage& source, TGIFImage& target) {
  target.Clear();
  if (!RebuildIsAffordable(source)) return false;
  bool built = false;
  try {
    built = Build(source, target);
  } catch (const std::exception&) {
    built = false;
  }
  if (!built) target.Clear();
  return built;
}

}  // namespace lumvane
