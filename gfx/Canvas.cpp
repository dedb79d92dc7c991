#include "gfx/Canvas.h"

#include <algorithm>
#include <cstring>

#include "base/Errors.h"
#include "gfx/Bitmap.h"
#include "gfx/Blit.h"
#include "gfx/ColorMatch.h"
#include "gfx/PixelAccess.h"

namespace lumvane {
namespace {

template <int Bits>
void FillRows(TBitmap& bitmap, const TRect& rect, std::uint32_t value) {
  for (int y = rect.Top; y < rect.Bottom; ++y) {
    std::uint8_t* row = bitmap.ScanLine(y);
    if constexpr (Bits == 8) {
      std::memset(row + rect.Left, static_cast<int>(value), rect.Right - rect.Left);
    } else {
      for (int x = rect.Left; x < rect.Right; ++x) {
        if constexpr (Bits == 24) SetRgb(row, x, value);
        else SetIndex<Bits>(row, x, static_cast<std::uint8_t>(value));
      }
    }
  }
}

TRect BoundsOf(const TBitmap& bitmap) { return {0, 0, bitmap.Width(), bitmap.Height()}; }

}  // namespace

TCanvas::TCanvas(TBitmap& target) : target_(target) {}

void TCanvas::FillRect(const TRect& rect) {
  const TRect clip = ClipRect();
  const TRect area{std::max(clip.Left, rect.Left), std::max(clip.Top, rect.Top),
                   std::min(clip.Right, rect.Right), std::min(clip.Bottom, rect.Bottom)};
  if (area.Left >= area.Right || area.Top >= area.Bottom) return;
  const int bits = target_.BitsPerPixel();
  const std::uint32_t value =
      bits == 24 ? BrushColor : NearestEntry(target_.TargetPalette(), 1 << bits, BrushColor);
  switch (target_.PixelFormat()) {
    case TPixelFormat::pf1bit: return FillRows<1>(target_, area, value);
    case TPixelFormat::pf4bit: return FillRows<4>(target_, area, value);
    case TPixelFormat::pf8bit: return FillRows<8>(target_, area, value);
    case TPixelFormat::pf24bit: return FillRows<24>(target_, area, value);
  }
}

void TCanvas::StretchDraw(const TRect& dest, const TBitmap& source) {
  StretchBlit(target_, ClipRect(), dest, source, BoundsOf(source), nullptr);
}

void TCanvas::DrawMasked(const TRect& dest, const TBitmap& source, const TBitmap& mask) {
  if (mask.PixelFormat() != TPixelFormat::pf1bit)
    throw EGraphicError(kMaskNotOneBitText);
  StretchBlit(target_, ClipRect(), dest, source, BoundsOf(source), &mask);
}

void TCanvas::CopyRect(const TRect& dest, const TCanvas& source, const TRect& sourceRect) {
  StretchBlit(target_, ClipRect(), dest, source.Bitmap(), sourceRect, nullptr);
}

TRect TCanvas::ClipRect() const {
  TRect clip = BoundsOf(target_);
  if (clip_) {
    clip.Left = std::max(clip.Left, clip_->Left);
    clip.Top = std::max(clip.Top, clip_->Top);
    clip.Right = std::max(clip.Left, std::min(clip.Right, clip_->Right));
    clip.Bottom = std::max(clip.Top, std::min(clip.Bottom, clip_->Bottom));
  }
  return clip;
}

void TCanvas::RealizePalette() {
  if (selectedPalette_) target_.SetPalette(selectedPalette_);
}

void TCanvas::Changed() { target_.Changed(); }

}  // namespace lumvane
