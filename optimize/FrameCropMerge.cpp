// Frame operations of the optimizer: cropping transparent borders, and making pixels
// transparent where they repeat the frame drawn below.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFImage.h"
#include "gif/GIFSubImage.h"
#include "optimize/Compositor.h"

namespace lumvane {
namespace {

// Per pixel value, the color it shows as a picture pixel, or noColor (0 or 1, which no
// picture pixel of a color is) for a value beyond the map or the one given as skipped.
std::array<std::uint32_t, 256> ColorKeys(const TGIFColorMap& map, int skipped, std::uint32_t noColor) {
  std::array<std::uint32_t, 256> keys;
  keys.fill(noColor);
  for (int value = 0; value < map.Count(); ++value)
    if (value != skipped) keys[value] = CanvasColor(map.Entries() + 3 * value);
  return keys;
}

// The first of pixels[0, end) other than t, or end; eight at a time where they are t.
int OtherFrom(const std::uint8_t* pixels, int end, std::uint8_t t) {
  const std::uint64_t allT = 0x0101010101010101ull * t;
  int x = 0;
  for (std::uint64_t eight = 0; x + 8 <= end; x += 8) {
    std::memcpy(&eight, pixels + x, 8);
    if (eight != allT) break;
  }
  while (x < end && pixels[x] == t) ++x;
  return x;
}

// The last of pixels[begin, end) other than t, or begin - 1.
int OtherBefore(const std::uint8_t* pixels, int end, int begin, std::uint8_t t) {
  const std::uint64_t allT = 0x0101010101010101ull * t;
  int x = end;
  for (std::uint64_t eight = 0; x - 8 >= begin; x -= 8) {
    std::memcpy(&eight, pixels + x - 8, 8);
    if (eight != allT) break;
  }
  while (x > begin && pixels[x - 1] == t) --x;
  return x - 1;
}

}  // namespace

void TGIFSubImage::CropToContent(bool keepOnePixel) {
  if (IsEmpty() || !IsTransparent || !ControlExtension) return;
  const std::uint8_t t = ControlExtension->TransparentIndex();
  const int width = FrameWidth(), height = FrameHeight();
  if (PixelCount() < std::int64_t{width} * height) return;  // not a whole frame of rows
  const auto row = [&](int y) { return pixels_.data() + static_cast<std::size_t>(y) * width; };
  // The box around the pixels other than t, found in rows: clear rows from the top and the
  // bottom, then per row in between only the stretches outside the box found so far.
  int top = 0, bottom = height - 1;
  while (top <= bottom && OtherFrom(row(top), width, t) == width) ++top;
  while (top <= bottom && OtherFrom(row(bottom), width, t) == width) --bottom;
  int left = width, right = -1;
  for (int y = top; y <= bottom; ++y) {
    left = std::min(left, OtherFrom(row(y), left, t));
    right = std::max(right, OtherBefore(row(y), width, right + 1, t));
  }
  if (top > bottom) {
    if (!keepOnePixel) {
      Clear();
      return;
    }
    left = right = top = bottom = 0;
  }
  if (FrameLeft() + left > 0xFFFF || FrameTop() + top > 0xFFFF) return;  // would wrap

  const int newWidth = right - left + 1, newHeight = bottom - top + 1;
  std::vector<std::uint8_t> cropped(static_cast<std::size_t>(newWidth) * newHeight);
  for (int y = 0; y < newHeight; ++y)
    std::memcpy(&cropped[static_cast<std::size_t>(y) * newWidth], &pixels_[static_cast<std::size_t>(top + y) * width + left],
                newWidth);
  WriteLE16(&Descriptor[1], static_cast<std::uint16_t>(FrameLeft() + left));
  WriteLE16(&Descriptor[3], static_cast<std::uint16_t>(FrameTop() + top));
  WriteLE16(&Descriptor[5], static_cast<std::uint16_t>(newWidth));
  WriteLE16(&Descriptor[7], static_cast<std::uint16_t>(newHeight));
  SetPixelBuffer(std::move(cropped));
  FreeRendering();
}

bool TGIFSubImage::HasRoomForTransparency() {
  if (localColorMap_.Count() > 0) return localColorMap_.Count() < 256;
  const int global = Image() ? Image()->Header.GlobalColorMap().Count() : 0;
  return global >= 1 && global < 256;
}

bool TGIFSubImage::HasPixelsBeyondColorMap() {
  const int count = EffectiveColorMap().Count();
  return std::any_of(pixels_.begin(), pixels_.end(), [count](std::uint8_t p) { return p >= count; });
}

int TGIFSubImage::PickTransparentIndex() {
  if (localColorMap_.Count() > 0) return localColorMap_.AddColor(0);
  TGIFColorMap& global = Image()->Header.GlobalColorMap();
  // Borrow the index another frame on the global map uses for transparency, unless this
  // frame's own pixels use it as a color.
  for (const auto& frame : Image()->Frames) {
    if (frame.get() == this || !frame->IsTransparent || frame->localColorMap_.Count() > 0 ||
        !frame->ControlExtension)
      continue;
    const std::uint8_t index = frame->ControlExtension->TransparentIndex();
    if (index < global.Count() && std::find(pixels_.begin(), pixels_.end(), index) == pixels_.end()) return index;
    break;
  }
  return global.AddColor(0);
}

void TGIFSubImage::MergeWithPrevious(const TGIFSubImage* previous) {
  if (IsEmpty() || !previous || previous->IsEmpty()) return;
  if (previous->ControlExtension && !KeepsPicture(previous->ControlExtension->Disposal())) return;
  const TRect overlap = Intersection(previous->FrameRect(), FrameRect());
  if (overlap.IsEmpty()) return;

  const bool wasTransparent = IsTransparent && ControlExtension;
  int target = wasTransparent ? ControlExtension->TransparentIndex() : -1;
  if (!wasTransparent && !HasRoomForTransparency()) return;
  // A new transparent index could coincide with pixels that lie beyond the map.
  if (!wasTransparent && HasPixelsBeyondColorMap()) return;
  const bool previousTransparent = previous->IsTransparent && previous->ControlExtension;
  const int skipped = previousTransparent ? previous->ControlExtension->TransparentIndex() : -1;

  // A pixel repeats the one below when both show the same color. Transparent ones on either
  // side and entries beyond either map never match (their keys differ from every color and
  // from each other). A transparent index picked on the way is one no pixel of the frame
  // uses: its key changes only for the frame's own pixels set to it.
  std::array<std::uint32_t, 256> ownKeys = ColorKeys(EffectiveColorMap(), target, 0);
  const std::array<std::uint32_t, 256> belowKeys =
      ColorKeys(const_cast<TGIFSubImage*>(previous)->EffectiveColorMap(), skipped, 1);
  for (int y = overlap.Top; y < overlap.Bottom; ++y) {
    std::uint8_t* own = pixels_.data() + static_cast<std::size_t>(y - FrameTop()) * FrameWidth();
    const std::uint8_t* below =
        previous->pixels_.data() + static_cast<std::size_t>(y - previous->FrameTop()) * previous->FrameWidth();
    for (int x = overlap.Left; x < overlap.Right; ++x) {
      std::uint8_t& f = own[x - FrameLeft()];
      if (ownKeys[f] != belowKeys[below[x - previous->FrameLeft()]]) continue;
      if (target < 0) {
        target = PickTransparentIndex();
        ownKeys[target] = 0;
      }
      f = static_cast<std::uint8_t>(target);
    }
  }
  if (!wasTransparent && target >= 0) {
    if (!ControlExtension) extensions_.Add(std::make_unique<TGIFGraphicControlExtension>(*this));
    ControlExtension->SetTransparent(true);
    ControlExtension->SetTransparentIndex(static_cast<std::uint8_t>(target));
  }
  FreeRendering();
}

}  // namespace lumvane
