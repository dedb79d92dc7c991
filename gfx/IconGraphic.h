#pragma once
// Icon pictures: the image of an .ico file with its transparency mask. Of the images a file
// holds, the largest is taken (the deepest of equal size); images stored as PNG are not read.

#include <memory>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/Graphic.h"

namespace lumvane {

class TIcon : public TGraphic {
public:
  bool IsEmpty() const override { return !image_; }
  int Width() const override { return image_ ? image_->Width() : 0; }
  int Height() const override { return image_ ? image_->Height() : 0; }
  // Reads an .ico file from the stream's position to its end. Malformed files fail with
  // EInvalidGraphic and leave the icon as it was.
  void LoadFromStream(TStream& stream) override;
  // Writes the file as it was read.
  void SaveToStream(TStream& stream) override;
  // The image stretched into the rectangle; see-through pixels keep the canvas's colors.
  void Draw(TCanvas& canvas, const TRect& rect) override;

  // The image, 24 bits per pixel, and its 1-bit mask (set = see-through); none when empty.
  const TBitmap* Image() const { return image_.get(); }
  const TBitmap* MaskBitmap() const { return mask_.get(); }

private:
  std::vector<std::uint8_t> file_;
  std::unique_ptr<TBitmap> image_;
  std::unique_ptr<TBitmap> mask_;
};

}  // namespace lumvane
