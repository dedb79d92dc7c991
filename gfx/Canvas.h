#pragma once
// Drawing on a bitmap: filling, stretched and masked copies, clipping, palette selection.
// Colors drawn into an indexed bitmap become the nearest entry of its palette (see
// TBitmap::TargetPalette); into a 24-bit bitmap they are written as they are.

#include <optional>
#include <utility>

#include "base/Types.h"
#include "gfx/Palette.h"

namespace lumvane {

class TBitmap;

class TCanvas {
public:
  explicit TCanvas(TBitmap& target);
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TColor BrushColor = 0xFFFFFF;

  // Fills the rectangle, clipped to ClipRect, with BrushColor.
  void FillRect(const TRect& rect);
  // Nearest pixel: destination pixel (x, y) takes source pixel
  // ((x - dest.Left) × sourceWidth / destWidth, (y - dest.Top) × sourceHeight / destHeight).
  void StretchDraw(const TRect& dest, const TBitmap& source);
  // As StretchDraw, but destination pixels whose mask pixel (the mask stretched over dest
  // the same way) is set keep their color. The mask must have 1 bit per pixel.
  void DrawMasked(const TRect& dest, const TBitmap& source, const TBitmap& mask);
  // Copies sourceRect of the source canvas's bitmap, stretched when the sizes differ;
  // destination pixels that map outside the source bitmap keep their color.
  void CopyRect(const TRect& dest, const TCanvas& source, const TRect& sourceRect);

  // The bitmap's bounds, intersected with SetClipRect's rectangle when one is set.
  TRect ClipRect() const;
  void SetClipRect(const TRect& rect) { clip_ = rect; }
  void ResetClipRect() { clip_.reset(); }

  // Whether the device context is valid; Invalidate() makes it false for good.
  bool HandleValid() const { return handleValid_; }
  void Invalidate() { handleValid_ = false; }

  void SelectPalette(TPaletteHandle palette) { selectedPalette_ = std::move(palette); }
  // The selected palette, when there is one, becomes the bitmap's palette.
  void RealizePalette();

  // Calls the bitmap's Changed.
  void Changed();
  TBitmap& Bitmap() { return target_; }
  const TBitmap& Bitmap() const { return target_; }

private:
  TBitmap& target_;
  std::optional<TRect> clip_;
  TPaletteHandle selectedPalette_;
  bool handleValid_ = true;
};

}  // namespace lumvane
