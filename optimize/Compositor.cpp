#include "optimize/Compositor.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <type_traits>

#include "base/Errors.h"
#include "gif/GIFApplicationExtensions.h"
#include "gif/GIFGraphicControlExtension.h"

namespace lumvane {
namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;

// What the last graphic control block of a frame says; without one the frame is opaque,
// keeps its picture and plays for the default time.
struct TFrameControl {
  bool Transparent = false;
  std::uint8_t TransparentIndex = 0;
  TDisposalMethod Disposal = DisposalUnspecified;
  int Time = PlayedTime(0);
  int Delay = 0;  // as written
};

TFrameControl ControlOf(const TGIFSubImage& frame) {
  const TGIFGraphicControlExtension* last = nullptr;
  for (const auto& extension : frame.Extensions())
    if (const auto* control = dynamic_cast<const TGIFGraphicControlExtension*>(extension.get())) last = control;
  TFrameControl result;
  if (!last) return result;
  result.Transparent = last->Transparent();
  result.TransparentIndex = last->TransparentIndex();
  result.Disposal = EffectiveDisposal(last->Disposal());
  result.Time = PlayedTime(last->Delay());
  result.Delay = last->Delay();
  return result;
}

// The canvas color of every pixel value as the frame's table gives it (its local one when
// that has entries, else the global one), opaque black beyond it.
std::array<std::uint32_t, 256> TableColorsOf(const TGIFImage& image, const TGIFSubImage& frame) {
  const TGIFColorMap& local = frame.LocalColorMap();
  const TGIFColorMap& map = local.Count() > 0 ? local : image.Header.GlobalColorMap();
  std::array<std::uint32_t, 256> colors;
  colors.fill(kOpaque);
  const std::uint8_t* entry = map.Entries();
  for (int i = 0; i < map.Count(); ++i, entry += 3)
    colors[i] = CanvasColor(entry);
  return colors;
}

// A canvas of width × height may be composited; a larger one fails before anything is
// allocated.
void CheckCanvasSize(int width, int height) {
  if (std::int64_t{width} * height > kMaxCanvasPixels) throw GIFException(TGIFError::ImageTooLarge);
}

// Frames without an image count here too: a looping block may stand after the last image.
// The first looping block decides; one without a loop count plays once.
int FirstLoopCount(const TGIFImage& image) {
  for (const auto& frame : image.Frames)
    for (const auto& extension : frame->Extensions())
      if (const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(extension.get()))
        return loop->HasLoopCount ? loop->LoopCount : -1;
  return -1;
}

// The side of the canvas's tiles (as a shift): the widest whose tiles, where the frames
// paint, hold no more pixels than the frames themselves or than the narrowest tiles would.
// Wider tiles cut the rows each step touches into fewer pieces; for small frames scattered
// over a large screen they would hold far more than is painted, so there they stay narrow.
int TileShiftFor(const TGIFImage& image, const TCompositor& canvas) {
  std::vector<TCanvasArea> areas;
  std::int64_t painted = 0;
  for (const auto& frame : image.Frames) {
    if (!HoldsImage(*frame)) continue;
    const TCanvasArea area = canvas.ClippedRect(*frame);
    if (area.IsEmpty()) continue;
    areas.push_back(area);
    painted += std::int64_t{area.Width()} * area.Height();
  }
  const auto tilePixels = [&](int shift) {
    const auto tiles = [shift](int from, int to) { return std::int64_t{((to - 1) >> shift) - (from >> shift) + 1}; };
    std::int64_t touched = 0;
    for (const TCanvasArea& area : areas) touched += tiles(area.Left, area.Right) * tiles(area.Top, area.Bottom);
    const std::int64_t all = tiles(0, canvas.Width()) * tiles(0, canvas.Height());
    return std::min(touched, all) << (2 * shift);
  };
  const std::int64_t bound = std::max(tilePixels(kMinTileShift), painted);
  int shift = kMinTileShift;
  for (int wider = kMinTileShift + 1; wider <= kMaxTileShift; ++wider)
    if (tilePixels(wider) <= bound) shift = wider;
  return shift;
}

}  // namespace

bool HoldsImage(const TGIFSubImage& frame) {
  return !frame.IsEmpty() && frame.PixelCount() == std::int64_t{frame.FrameWidth()} * frame.FrameHeight();
}

std::array<std::uint32_t, 256> PaintedColors(const TGIFImage& image, const TGIFSubImage& frame) {
  std::array<std::uint32_t, 256> colors = TableColorsOf(image, frame);
  const TFrameControl control = ControlOf(frame);
  if (control.Transparent) colors[control.TransparentIndex] = 0;
  return colors;
}

TCompositor::TCompositor(const TGIFImage& image)
    : image_(image),
      width_(image.Header.LogicalScreenWidth()),
      height_(image.Header.LogicalScreenHeight()),
      loopCount_(FirstLoopCount(image)) {
  if (width_ != 0 || height_ != 0) return;
  for (const auto& frame : image.Frames) {
    if (!HoldsImage(*frame)) continue;
    width_ = frame->FrameWidth();
    height_ = frame->FrameHeight();
    return;
  }
}

TCanvasArea TCompositor::ClippedRect(const TGIFSubImage& frame) const {
  return {std::min(frame.FrameLeft(), width_), std::min(frame.FrameTop(), height_),
          std::min(frame.FrameLeft() + frame.FrameWidth(), width_),
          std::min(frame.FrameTop() + frame.FrameHeight(), height_)};
}

void TCompositor::Start() {
  CheckCanvasSize(width_, height_);
  // Every color a frame may paint: its table's, and black beyond a table that is not full.
  std::vector<std::uint32_t> colors;
  std::size_t distinct = 0;
  const TGIFColorMap* last = nullptr;
  for (const auto& frame : image_.Frames) {
    if (!HoldsImage(*frame)) continue;
    const TGIFColorMap& local = frame->LocalColorMap();
    const TGIFColorMap& map = local.Count() > 0 ? local : image_.Header.GlobalColorMap();
    if (&map == last) continue;
    last = &map;
    const std::uint8_t* entry = map.Entries();
    for (int i = 0; i < map.Count(); ++i, entry += 3) colors.push_back(CanvasColor(entry));
    if (map.Count() < 256) colors.push_back(kOpaque);
    // Kept sorted and without repeats as it grows, so that it never holds much more than
    // the distinct colors.
    if (colors.size() > 4096 && colors.size() > 2 * distinct) {
      std::sort(colors.begin(), colors.end());
      colors.erase(std::unique(colors.begin(), colors.end()), colors.end());
      distinct = colors.size();
    }
  }
  std::sort(colors.begin(), colors.end());
  colors.erase(std::unique(colors.begin(), colors.end()), colors.end());
  palette_.assign(1, 0);
  palette_.insert(palette_.end(), colors.begin(), colors.end());
  if (palette_.size() <= 0x100) {
    canvas_.emplace<TTiledCanvas<std::uint8_t>>();
  } else if (palette_.size() <= 0x10000) {
    canvas_.emplace<TTiledCanvas<std::uint16_t>>();
  } else {
    canvas_.emplace<TTiledCanvas<std::uint32_t>>();
    palette_.clear();
  }
  const int shift = TileShiftFor(image_, *this);
  std::visit([&](auto& canvas) { canvas.Reset(width_, height_, shift); }, canvas_);
}

const std::array<std::uint32_t, 256>& TCompositor::ValuesOf(const std::array<std::uint32_t, 256>& colors) {
  if (palette_.empty()) return colors;
  if (colors == lastColors_) return lastValues_;
  for (std::size_t i = 0; i < colors.size(); ++i)
    lastValues_[i] = i > 0 && colors[i] == colors[i - 1]
                         ? lastValues_[i - 1]
                         : static_cast<std::uint32_t>(
                               std::lower_bound(palette_.begin(), palette_.end(), colors[i]) - palette_.begin());
  lastColors_ = colors;
  return lastValues_;
}

// Frame positions are never negative, so clipping cuts only the right and bottom: the area
// starts at the frame's first pixel.
void TCompositor::Paint(const TGIFSubImage& frame, const TCanvasArea& area, const std::uint32_t* values) {
  const std::size_t frameWidth = frame.FrameWidth();
  const std::uint8_t* source = frame.Pixels();
  std::visit([&](auto& canvas) {
    canvas.Write(area, [&](int x, int y, auto* target, int count) {
      using TValue = std::remove_pointer_t<decltype(target)>;
      const std::uint8_t* from = source + static_cast<std::size_t>(y - area.Top) * frameWidth + (x - area.Left);
      for (int i = 0; i < count; ++i)
        if (const std::uint32_t value = values[from[i]]) target[i] = static_cast<TValue>(value);
    });
  }, canvas_);
}

void TCompositor::CopyValues(const TCanvasArea& area, std::uint32_t* out) const {
  std::visit([&](const auto& canvas) {
    canvas.Read(area, [&](int x, int y, const auto* pixels, int count) {
      std::copy_n(pixels, count, out + static_cast<std::size_t>(y - area.Top) * area.Width() + (x - area.Left));
    });
  }, canvas_);
}

void TCompositor::SaveStep() {
  std::size_t total = 0;
  for (const TCanvasArea& area : step_) total += static_cast<std::size_t>(area.Width()) * area.Height();
  // Grown only: what is read is always written first.
  if (stepValues_.size() < total) stepValues_.resize(total);
  std::uint32_t* out = stepValues_.data();
  for (const TCanvasArea& area : step_) {
    CopyValues(area, out);
    out += static_cast<std::size_t>(area.Width()) * area.Height();
  }
}

bool TCompositor::CanvasEqualsStep() {
  const std::uint32_t* before = stepValues_.data();
  bool same = true;
  for (const TCanvasArea& area : step_) {
    std::visit([&](const auto& canvas) {
      canvas.Read(area, [&](int x, int y, const auto* pixels, int count) {
        const std::uint32_t* was = before + static_cast<std::size_t>(y - area.Top) * area.Width() + (x - area.Left);
        same = same && std::equal(pixels, pixels + count, was);
      });
    }, canvas_);
    if (!same) return false;
    before += static_cast<std::size_t>(area.Width()) * area.Height();
  }
  return true;
}

void TCompositor::ApplyDisposal() {
  std::visit([&](auto& canvas) {
    if (disposal_ == DisposalRestoreBackground) {
      canvas.WriteExisting(disposeArea_, [](int, int, auto* pixels, int count) {
        std::fill_n(pixels, count, 0);
      });
    } else if (disposal_ == DisposalRestorePrevious) {
      const std::uint32_t* from = saved_.data();
      canvas.Write(disposeArea_, [&](int x, int y, auto* pixels, int count) {
        using TValue = std::remove_pointer_t<decltype(pixels)>;
        const std::uint32_t* row =
            from + static_cast<std::size_t>(y - disposeArea_.Top) * disposeArea_.Width() + (x - disposeArea_.Left);
        for (int i = 0; i < count; ++i) pixels[i] = static_cast<TValue>(row[i]);
      });
    }
  }, canvas_);
  disposal_ = DisposalUnspecified;
}

void TCompositor::HandOut(std::vector<TCanvasArea> changed, const TShowTime& time) {
  changed_ = std::move(changed);
  time_ = time;
}

bool TCompositor::Advance() {
  // The step that ended the picture handed out before starts the pending one.
  if (stepActive_) {
    stepActive_ = false;
    hasPending_ = true;
    pendingChanged_ = step_;
    pendingTime_ = stepTime_;
  }
  while (nextFrame_ < image_.Frames.Count()) {
    ThrowIfCancelled(image_.Cancellation);
    const int index = nextFrame_++;
    const TGIFSubImage& frame = image_.Frames[index];
    if (!HoldsImage(frame)) continue;
    if (!started_) {
      Start();
      started_ = true;
    }
    const TCanvasArea area = ClippedRect(frame);
    step_.clear();
    if (disposal_ != DisposalUnspecified && !disposeArea_.IsEmpty()) step_.push_back(disposeArea_);
    if (!area.IsEmpty()) step_.push_back(area);
    // Only a step that may end the pending picture needs what it overwrites.
    if (hasPending_) SaveStep();
    ApplyDisposal();
    if (BeforePaint) BeforePaint(index);
    if (paintOnly_ && index == lastImageFrame_) continue;
    const TFrameControl control = ControlOf(frame);
    if (control.Disposal == DisposalRestorePrevious) {
      saved_.resize(static_cast<std::size_t>(area.Width()) * area.Height());
      CopyValues(area, saved_.data());
    }
    if (!area.IsEmpty()) {
      std::array<std::uint32_t, 256> values = ValuesOf(TableColorsOf(image_, frame));
      if (control.Transparent) values[control.TransparentIndex] = 0;
      Paint(frame, area, values.data());
    }
    if (control.Disposal == DisposalRestoreBackground || control.Disposal == DisposalRestorePrevious) {
      disposal_ = control.Disposal;
      disposeArea_ = area;
    }

    if (paintOnly_) continue;
    const TShowTime shown{control.Time, control.Delay, 1};
    if (hasPending_ && CanvasEqualsStep()) {
      pendingTime_ = {pendingTime_.Played + shown.Played, pendingTime_.Written + shown.Written, pendingTime_.Frames + 1};
    } else if (!hasPending_) {
      hasPending_ = true;
      pendingChanged_ = step_;
      pendingTime_ = shown;
    } else {
      // The pending picture is handed out; it is the canvas with the step's old values.
      stepActive_ = true;
      stepTime_ = shown;
      hasPending_ = false;
      HandOut(pendingChanged_, pendingTime_);
      return true;
    }
  }
  if (!hasPending_) return false;
  hasPending_ = false;
  step_.clear();
  stepValues_.clear();
  HandOut(pendingChanged_, pendingTime_);
  return true;
}

void TCompositor::ReadPicture(const TCanvasArea& area, std::uint32_t* out) const {
  if (area.IsEmpty()) return;
  CopyValues(area, out);
  const std::size_t width = area.Width();
  if (stepActive_) {
    // Where the step overwrote the canvas, the picture is what the step saved.
    const std::uint32_t* before = stepValues_.data();
    for (const TCanvasArea& saved : step_) {
      const int left = std::max(area.Left, saved.Left), right = std::min(area.Right, saved.Right);
      const int top = std::max(area.Top, saved.Top), bottom = std::min(area.Bottom, saved.Bottom);
      for (int y = top; y < bottom && left < right; ++y)
        std::copy_n(before + static_cast<std::size_t>(y - saved.Top) * saved.Width() + (left - saved.Left),
                    right - left, out + static_cast<std::size_t>(y - area.Top) * width + (left - area.Left));
      before += static_cast<std::size_t>(saved.Width()) * saved.Height();
    }
  }
  ToColors(out, width * area.Height());
}

void TCompositor::ReadCanvas(const TCanvasArea& area, std::uint32_t* out) const {
  CopyValues(area, out);
  ToColors(out, area.IsEmpty() ? 0 : static_cast<std::size_t>(area.Width()) * area.Height());
}

bool TCompositor::IsBlank() const {
  return !started_ || std::visit([](const auto& canvas) { return canvas.IsBlank(); }, canvas_);
}

void TCompositor::ToColors(std::uint32_t* values, std::size_t count) const {
  if (!palette_.empty())
    std::transform(values, values + count, values, [&](std::uint32_t value) { return palette_[value]; });
}

bool TCompositor::Next(TPicture& picture) {
  if (!Advance()) return false;
  picture.Width = width_;
  picture.Height = height_;
  picture.Time = time_.Played;
  picture.Frames = time_.Frames;
  picture.WrittenTime = time_.Written;
  picture.Pixels.resize(static_cast<std::size_t>(width_) * height_);
  ReadPicture({0, 0, width_, height_}, picture.Pixels.data());
  return true;
}

void TCompositor::PaintAll() {
  paintOnly_ = true;
  for (int i = 0; i < image_.Frames.Count(); ++i)
    if (HoldsImage(image_.Frames[i])) lastImageFrame_ = i;
  while (Advance()) {
  }
}

namespace {

std::string ColorText(std::uint32_t pixel) {
  if (pixel == 0) return "transparent";
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text = "#";
  for (const int shift : {0, 8, 16}) {
    const std::uint32_t value = (pixel >> shift) & 0xFF;
    text += kHex[value >> 4];
    text += kHex[value & 15];
  }
  return text;
}

std::string LoopText(int loopCount) { return loopCount < 0 ? "none" : std::to_string(loopCount); }

// The pictures are read in bands of at most this many pixels, so that comparing costs
// little memory on any canvas.
constexpr std::size_t kBandPixels = 1 << 16;

struct TPixelMismatch {
  int X = 0, Y = -1;  // Y < 0: none
  std::uint32_t A = 0, B = 0;
};

std::string MismatchText(int number, const TPixelMismatch& at) {
  return "picture " + std::to_string(number) + " differs at pixel (" + std::to_string(at.X) + ", " +
         std::to_string(at.Y) + "): " + ColorText(at.A) + " vs " + ColorText(at.B);
}

// The first pixel, in rows top to bottom, inside the area where the current pictures differ.
TPixelMismatch FirstMismatch(const TCanvasArea& area, const TCompositor& a, const TCompositor& b,
                             std::vector<std::uint32_t>& bandA, std::vector<std::uint32_t>& bandB) {
  const std::size_t width = area.Width();
  const int rows = static_cast<int>(std::max<std::size_t>(1, kBandPixels / width));
  for (int top = area.Top; top < area.Bottom; top += rows) {
    const TCanvasArea band{area.Left, top, area.Right, std::min(area.Bottom, top + rows)};
    bandA.resize(width * band.Height());
    bandB.resize(width * band.Height());
    a.ReadPicture(band, bandA.data());
    b.ReadPicture(band, bandB.data());
    const auto [at, other] = std::mismatch(bandA.begin(), bandA.end(), bandB.begin());
    if (at == bandA.end()) continue;
    const std::size_t offset = static_cast<std::size_t>(at - bandA.begin());
    return {area.Left + static_cast<int>(offset % width), top + static_cast<int>(offset / width), *at, *other};
  }
  return {};
}

// The first pixel, in rows top to bottom, where the current pictures of two compositors of
// one canvas size differ; empty when they are equal. Both pictures equal the ones before,
// which were equal, outside the areas either changed: only those are compared.
std::string PixelDifference(int number, const TCompositor& a, const TCompositor& b) {
  std::vector<TCanvasArea> areas = a.Changed();
  areas.insert(areas.end(), b.Changed().begin(), b.Changed().end());
  // Areas that overlap much (a frame and the disposal before it, in both documents) are
  // compared once, as their bounding box, when that box is no larger than they are together.
  TCanvasArea box{a.Width(), a.Height(), 0, 0};
  std::int64_t together = 0;
  for (const TCanvasArea& area : areas) {
    if (area.IsEmpty()) continue;
    box = {std::min(box.Left, area.Left), std::min(box.Top, area.Top), std::max(box.Right, area.Right),
           std::max(box.Bottom, area.Bottom)};
    together += std::int64_t{area.Width()} * area.Height();
  }
  if (!box.IsEmpty() && std::int64_t{box.Width()} * box.Height() <= together) areas.assign(1, box);
  std::vector<std::uint32_t> bandA, bandB;
  TPixelMismatch first;
  for (const TCanvasArea& area : areas) {
    if (area.IsEmpty() || (first.Y >= 0 && area.Top > first.Y)) continue;
    const TPixelMismatch found = FirstMismatch(area, a, b, bandA, bandB);
    if (found.Y >= 0 && (first.Y < 0 || found.Y < first.Y || (found.Y == first.Y && found.X < first.X)))
      first = found;
  }
  return first.Y < 0 ? "" : MismatchText(number, first);
}

int CountRest(TCompositor& compositor) {
  int count = 0;
  while (compositor.Advance()) ++count;
  return count;
}

TShowComparison Differ(std::string text) { return {false, std::move(text)}; }

std::string CanvasText(const TCompositor& a, const TCompositor& b) {
  return "canvas " + std::to_string(a.Width()) + " x " + std::to_string(a.Height()) + " vs " +
         std::to_string(b.Width()) + " x " + std::to_string(b.Height());
}

// The one frame that holds an image when a document has exactly one, else nullptr: such a
// document shows one picture, the frame over a transparent canvas.
const TGIFSubImage* StillFrame(const TGIFImage& image) {
  const TGIFSubImage* still = nullptr;
  for (const auto& frame : image.Frames) {
    if (!HoldsImage(*frame)) continue;
    if (still) return nullptr;
    still = frame.get();
  }
  return still;
}

// A still's frame as its picture shows it: the frame's colors inside its area, transparent
// around.
struct TStillPicture {
  TStillPicture(const TGIFImage& image, const TGIFSubImage& frame, const TCompositor& canvas)
      : Frame(frame), Area(canvas.ClippedRect(frame)), Colors(PaintedColors(image, frame)) {}
  // The frame's pixels of row y from the area's left edge; nullptr outside the area.
  const std::uint8_t* Row(int y) const {
    if (y < Area.Top || y >= Area.Bottom) return nullptr;
    return Frame.Pixels() + static_cast<std::size_t>(y - Area.Top) * Frame.FrameWidth();
  }
  std::uint32_t At(const std::uint8_t* row, int x) const {
    return row && x >= Area.Left && x < Area.Right ? Colors[row[x - Area.Left]] : 0u;
  }

  const TGIFSubImage& Frame;
  const TCanvasArea Area;
  const std::array<std::uint32_t, 256> Colors;
};

// The first column of the row, from left to right, where the stills differ; -1 when none.
// The row is cut where either frame's area begins or ends, and each piece is compared as
// it stands: transparent on both sides, one frame against transparency, or both frames.
int FirstMismatchInRow(const TStillPicture& a, const std::uint8_t* rowA, const TStillPicture& b,
                       const std::uint8_t* rowB, int width) {
  std::array<int, 6> cuts{0, width, width, width, width, width};
  if (rowA) cuts[2] = a.Area.Left, cuts[3] = a.Area.Right;
  if (rowB) cuts[4] = b.Area.Left, cuts[5] = b.Area.Right;
  std::sort(cuts.begin(), cuts.end());
  for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
    const int from = cuts[i], to = cuts[i + 1];
    if (from >= to) continue;
    const bool insideA = rowA && from >= a.Area.Left && from < a.Area.Right;
    const bool insideB = rowB && from >= b.Area.Left && from < b.Area.Right;
    if (insideA && insideB) {
      const std::uint8_t* pixelsA = rowA + (from - a.Area.Left);
      const std::uint8_t* pixelsB = rowB + (from - b.Area.Left);
      for (int x = 0; x < to - from; ++x)
        if (a.Colors[pixelsA[x]] != b.Colors[pixelsB[x]]) return from + x;
    } else if (insideA || insideB) {
      const TStillPicture& still = insideA ? a : b;
      const std::uint8_t* pixels = (insideA ? rowA : rowB) + (from - still.Area.Left);
      for (int x = 0; x < to - from; ++x)
        if (still.Colors[pixels[x]] != 0) return from + x;
    }
  }
  return -1;
}

// CompareShows for two stills, row by row without compositing: one picture each, so only
// the canvas and the pixels count.
TShowComparison CompareStills(const TGIFImage& a, const TGIFSubImage& frameA, const TGIFImage& b,
                              const TGIFSubImage& frameB) {
  const TCompositor first(a), second(b);
  for (const TCompositor* canvas : {&first, &second}) CheckCanvasSize(canvas->Width(), canvas->Height());
  if (first.Width() != second.Width() || first.Height() != second.Height()) return Differ(CanvasText(first, second));
  const TStillPicture stillA(a, frameA, first), stillB(b, frameB, second);
  // Rows outside both areas are transparent in both pictures.
  const int top = std::min(stillA.Area.Top, stillB.Area.Top);
  const int bottom = std::max(stillA.Area.Bottom, stillB.Area.Bottom);
  for (int y = top; y < bottom; ++y) {
    const std::uint8_t* rowA = stillA.Row(y);
    const std::uint8_t* rowB = stillB.Row(y);
    if (!rowA && !rowB) continue;
    if (const int x = FirstMismatchInRow(stillA, rowA, stillB, rowB, first.Width()); x >= 0)
      return Differ(MismatchText(1, {x, y, stillA.At(rowA, x), stillB.At(rowB, x)}));
  }
  return {};
}

}  // namespace

TShowComparison CompareShows(const TGIFImage& a, const TGIFImage& b) {
  const TGIFSubImage* stillA = StillFrame(a);
  const TGIFSubImage* stillB = StillFrame(b);
  if (stillA && stillB) return CompareStills(a, *stillA, b, *stillB);
  TCompositor first(a), second(b);
  int count = 0;
  // A time difference of the first picture, which matters only when a second one follows.
  std::string firstTime;
  for (;;) {
    const bool moreA = first.Advance();
    const bool moreB = second.Advance();
    if (!firstTime.empty() && (moreA || moreB)) return Differ(firstTime);
    if (!moreA || !moreB) {
      if (moreA == moreB) break;
      const int countA = count + (moreA ? 1 + CountRest(first) : 0);
      const int countB = count + (moreB ? 1 + CountRest(second) : 0);
      return Differ("picture count " + std::to_string(countA) + " vs " + std::to_string(countB));
    }
    ++count;
    if (count == 1 && (first.Width() != second.Width() || first.Height() != second.Height()))
      return Differ(CanvasText(first, second));
    if (std::string text = PixelDifference(count, first, second); !text.empty()) return Differ(text);
    if (first.Time() != second.Time()) {
      std::string text = "picture " + std::to_string(count) + " is shown for " + std::to_string(first.Time()) +
                         " hundredths vs " + std::to_string(second.Time());
      if (count > 1) return Differ(text);
      firstTime = std::move(text);
    }
  }
  if (count > 1 && first.LoopCount() != second.LoopCount())
    return Differ("loop count " + LoopText(first.LoopCount()) + " vs " + LoopText(second.LoopCount()));
  return {};
}

}  // namespace lumvane
