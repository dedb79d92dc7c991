#pragma once
// A vector picture: filled rectangles in a frame of its own size, drawn in order. Pixels no
// rectangle covers are not painted, so it has a shape as well as colors.

#include <vector>

#include "gfx/Graphic.h"

namespace lumvane {

class TMetafile : public TGraphic {
public:
  struct TRectangle {
    TRect Area;
    TColor Color;
  };

  bool IsEmpty() const override { return width_ == 0 || height_ == 0; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetSize(int width, int height);
  void AddRectangle(const TRect& area, TColor color);
  const std::vector<TRectangle>& Rectangles() const { return rectangles_; }

  // "LVMF", width and height (16 bits each), the rectangle count (16 bits), then per
  // rectangle left, top, right, bottom (signed 16 bits each) and red, green, blue; all
  // little-endian. Malformed data fails with EInvalidGraphic and leaves the picture as it was.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  // Fills each rectangle, scaled from the picture's frame to the rectangle given.
  void Draw(TCanvas& canvas, const TRect& rect) override;

private:
  int width_ = 0;
  int height_ = 0;
  std::vector<TRectangle> rectangles_;
};

}  // namespace lumvane
