// Loads arbitrary bytes and renders every frame (plain, dithered, the cached bitmap), then
// paints each frame and draws the document into canvases and its view bitmap. Drawing runs without a painter
// thread and without animation, so the work of one input stays on this thread and bounded.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

#include "base/Stream.h"
#include "fuzz/FuzzBudget.h"
#include "fuzz/FuzzInput.h"
#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "gif/GIFImage.h"
#include "render/FrameRendering.h"

using namespace lumvane;

namespace {

template <typename Action>
void Attempt(Action action) {
  try {
    action();
  } catch (const std::exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::TDeclaredSizes sizes = fuzz::DeclaredSizes(data, size);
  // Every frame is rendered a few times, and the view bitmap covers the screen.
  if (sizes.FramePixels > fuzz::kRenderPixels || sizes.Screen > 4 * fuzz::kRenderPixels) return -1;

  TGIFImage image;
  if (!fuzz::LoadInput(data, size, image)) return 0;
  if (image.Frames.Count() == 0) return 0;

  // Small canvases: painting scales the picture, so their size bounds the drawing work.
  TBitmap target;
  Attempt([&] { target.SetSize(37, 23); });
  const TRect whole{0, 0, 37, 23};
  for (int i = 0; i < image.Frames.Count(); ++i) {
    TGIFSubImage& frame = image.Frames[i];
    Attempt([&] { RenderPlain(frame); });
    Attempt([&] { RenderDithered(frame); });
    Attempt([&] { FrameBitmap(frame); });
    Attempt([&] { PaintFrame(frame, target.Canvas(), whole, false, true); });
    Attempt([&] { PaintFrame(frame, target.Canvas(), TRect{-3, 2, 30, 20}, true, false); });
  }

  image.PaintFlags = drawTransparent | drawDithered;
  Attempt([&] { image.Draw(target.Canvas(), whole); });
  image.PaintFlags = drawTransparent | drawTiled;
  Attempt([&] { image.Draw(target.Canvas(), TRect{5, 5, 30, 18}); });
  // The view bitmap: the first frame rendered onto the logical screen, and a copy of it.
  Attempt([&] { ViewBitmap(image); });
  TBitmap copy;
  Attempt([&] { AssignTo(image, copy); });
  Attempt([&] { ReleaseViewBitmap(image); });
  Attempt([&] { PrepareViewBitmap(image); });
  return 0;
}
