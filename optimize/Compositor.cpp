#include "optimize/Compositor.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "gif/Errors.h"
#include "gif/GIFApplicationExtensions.h"
#include "gif/GIFGraphicControlExtension.h"
#include "optimize/Disposal.h"

namespace lumvane {
namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;

// What the last graphic control block of a frame says; without one the frame is opaque,
// keeps its picture and plays for the default time.
struct TFrameControl {
  bool Transparent = false;
  std::uint8_t TransparentIndex = 0;
  std::uint8_t Disposal = DisposalUnspecified;
  int Time = PlayedTime(0);
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
  return result;
}

// A frame counts when it holds pixels for its whole rectangle.
bool HoldsImage(const TGIFSubImage& frame) {
  return !frame.IsEmpty() && frame.PixelCount() == std::int64_t{frame.FrameWidth()} * frame.FrameHeight();
}

// The canvas color of every pixel value: the frame's table (its local one when that has
// entries, else the global one), opaque black beyond it, 0 for the transparent index.
std::array<std::uint32_t, 256> ColorsOf(const TGIFImage& image, const TGIFSubImage& frame,
                                        const TFrameControl& control) {
  const TGIFColorMap& local = frame.LocalColorMap();
  const TGIFColorMap& map = local.Count() > 0 ? local : image.Header.GlobalColorMap();
  std::array<std::uint32_t, 256> colors;
  colors.fill(kOpaque);
  const std::uint8_t* entry = map.Entries();
  for (int i = 0; i < map.Count(); ++i, entry += 3)
    colors[i] = CanvasColor(entry);
  if (control.Transparent) colors[control.TransparentIndex] = 0;
  return colors;
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

}  // namespace

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

TCompositor::TArea TCompositor::TArea::Including(const TArea& other) const {
  if (IsEmpty()) return other;
  if (other.IsEmpty()) return *this;
  return {std::min(Left, other.Left), std::min(Top, other.Top), std::max(Right, other.Right),
          std::max(Bottom, other.Bottom)};
}

TCompositor::TArea TCompositor::ClippedRect(const TGIFSubImage& frame) const {
  return {std::min(frame.FrameLeft(), width_), std::min(frame.FrameTop(), height_),
          std::min(frame.FrameLeft() + frame.FrameWidth(), width_),
          std::min(frame.FrameTop() + frame.FrameHeight(), height_)};
}

// Frame positions are never negative, so clipping cuts only the right and bottom: the area
// starts at the frame's first pixel.
void TCompositor::Paint(const TGIFSubImage& frame, const TArea& area, const std::uint32_t* colors) {
  if (area.IsEmpty()) return;
  const std::size_t frameWidth = frame.FrameWidth();
  const std::uint8_t* source = frame.Pixels();
  std::uint32_t* target = canvas_.data() + static_cast<std::size_t>(area.Top) * width_ + area.Left;
  const int columns = area.Right - area.Left;
  for (int y = area.Top; y < area.Bottom; ++y, source += frameWidth, target += width_)
    for (int x = 0; x < columns; ++x)
      if (const std::uint32_t color = colors[source[x]]) target[x] = color;
}

void TCompositor::SaveArea(const TArea& area) {
  saved_.clear();
  if (area.IsEmpty()) return;
  for (int y = area.Top; y < area.Bottom; ++y) {
    const auto row = canvas_.begin() + static_cast<std::ptrdiff_t>(y) * width_;
    saved_.insert(saved_.end(), row + area.Left, row + area.Right);
  }
}

void TCompositor::RestoreArea(const TArea& area) {
  if (area.IsEmpty()) return;
  const int columns = area.Right - area.Left;
  auto from = saved_.cbegin();
  for (int y = area.Top; y < area.Bottom; ++y, from += columns)
    std::copy(from, from + columns, canvas_.begin() + static_cast<std::ptrdiff_t>(y) * width_ + area.Left);
}

void TCompositor::ClearArea(const TArea& area) {
  if (area.IsEmpty()) return;
  for (int y = area.Top; y < area.Bottom; ++y) {
    const auto row = canvas_.begin() + static_cast<std::ptrdiff_t>(y) * width_;
    std::fill(row + area.Left, row + area.Right, 0);
  }
}

bool TCompositor::CanvasEqualsPending(const TArea& area) const {
  if (area.IsEmpty()) return true;
  const std::size_t bytes = static_cast<std::size_t>(area.Right - area.Left) * sizeof(std::uint32_t);
  for (int y = area.Top; y < area.Bottom; ++y) {
    const std::size_t at = static_cast<std::size_t>(y) * width_ + area.Left;
    if (std::memcmp(canvas_.data() + at, pending_.data() + at, bytes) != 0) return false;
  }
  return true;
}

bool TCompositor::Next(TPicture& picture) {
  const auto handOut = [&] {
    picture.Width = width_;
    picture.Height = height_;
    picture.Time = pendingTime_;
    picture.Pixels.swap(pending_);
    hasPending_ = false;
  };
  while (nextFrame_ < image_.Frames.Count()) {
    const TGIFSubImage& frame = image_.Frames[nextFrame_++];
    if (!HoldsImage(frame)) continue;
    if (!started_) {
      if (std::int64_t{width_} * height_ > kMaxCanvasPixels) throw GIFException("Image too large");
      canvas_.assign(static_cast<std::size_t>(width_) * height_, 0);
      started_ = true;
    }
    if (BeforePaint) BeforePaint(nextFrame_ - 1, canvas_.data());
    const TFrameControl control = ControlOf(frame);
    const TArea area = ClippedRect(frame);
    if (control.Disposal == DisposalRestorePrevious) SaveArea(area);
    Paint(frame, area, ColorsOf(image_, frame, control).data());
    changed_ = changed_.Including(area);

    bool ready = false;
    if (hasPending_ && CanvasEqualsPending(changed_)) {
      pendingTime_ += control.Time;
    } else {
      if (hasPending_) {
        handOut();
        ready = true;
      }
      pending_.assign(canvas_.begin(), canvas_.end());
      pendingTime_ = control.Time;
      hasPending_ = true;
    }

    // The canvas equals the pending picture now, except where the disposal changes it.
    changed_ = {};
    if (control.Disposal == DisposalRestoreBackground) {
      ClearArea(area);
      changed_ = area;
    } else if (control.Disposal == DisposalRestorePrevious) {
      RestoreArea(area);
      changed_ = area;
    }
    if (ready) return true;
  }
  if (!hasPending_) return false;
  handOut();
  return true;
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

// The first pixel, in rows top to bottom, where two pictures of one size differ; empty when
// they are equal.
std::string PixelDifference(int number, const TPicture& a, const TPicture& b) {
  const auto [at, other] = std::mismatch(a.Pixels.begin(), a.Pixels.end(), b.Pixels.begin());
  if (at == a.Pixels.end()) return "";
  const auto index = at - a.Pixels.begin();
  return "picture " + std::to_string(number) + " differs at pixel (" + std::to_string(index % a.Width) + ", " +
         std::to_string(index / a.Width) + "): " + ColorText(*at) + " vs " + ColorText(*other);
}

int CountRest(TCompositor& compositor, TPicture& buffer) {
  int count = 0;
  while (compositor.Next(buffer)) ++count;
  return count;
}

TShowComparison Differ(std::string text) { return {false, std::move(text)}; }

}  // namespace

TShowComparison CompareShows(const TGIFImage& a, const TGIFImage& b) {
  TCompositor first(a), second(b);
  TPicture pictureA, pictureB;
  int count = 0;
  // A time difference of the first picture, which matters only when a second one follows.
  std::string firstTime;
  for (;;) {
    const bool moreA = first.Next(pictureA);
    const bool moreB = second.Next(pictureB);
    if (!firstTime.empty() && (moreA || moreB)) return Differ(firstTime);
    if (!moreA || !moreB) {
      if (moreA == moreB) break;
      const int countA = count + (moreA ? 1 + CountRest(first, pictureA) : 0);
      const int countB = count + (moreB ? 1 + CountRest(second, pictureB) : 0);
      return Differ("picture count " + std::to_string(countA) + " vs " + std::to_string(countB));
    }
    ++count;
    if (count == 1 && (first.Width() != second.Width() || first.Height() != second.Height()))
      return Differ("canvas " + std::to_string(first.Width()) + " x " + std::to_string(first.Height()) + " vs " +
                    std::to_string(second.Width()) + " x " + std::to_string(second.Height()));
    if (std::string text = PixelDifference(count, pictureA, pictureB); !text.empty()) return Differ(text);
    if (pictureA.Time != pictureB.Time) {
      std::string text = "picture " + std::to_string(count) + " is shown for " + std::to_string(pictureA.Time) +
                         " hundredths vs " + std::to_string(pictureB.Time);
      if (count > 1) return Differ(text);
      firstTime = std::move(text);
    }
  }
  if (count > 1 && first.LoopCount() != second.LoopCount())
    return Differ("loop count " + LoopText(first.LoopCount()) + " vs " + LoopText(second.LoopCount()));
  return {};
}

}  // namespace lumvane
