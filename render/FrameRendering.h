#pragma once
// Frames as bitmaps: rendering (plain, or dithered to the web palette) with a transparency
// mask, drawing into a rectangle of a canvas (stretched or tiled, through the mask), the
// document's view bitmap, and row access to bitmap pixels.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "base/Types.h"
#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "gfx/Palette.h"

namespace lumvane {

class TGIFImage;
class TGIFSubImage;


// Whether the document renders dithered: drawDithered set, and either drawDitherOnPalette
// clear or a display of at most 8 bits per pixel.
bool UseDithering(const TGIFImage& image);

// The frame's rendered bitmap, rendered on first use; none for an empty frame.
TBitmap* FrameBitmap(TGIFSubImage& frame);
std::unique_ptr<TBitmap> RenderPlain(TGIFSubImage& frame);
std::unique_ptr<TBitmap> RenderDithered(TGIFSubImage& frame);

// Calls visit (x, y) for the origin of every logical-screen-sized tile over the rectangle.
void ForEachTile(const TGIFImage& image, const TRect& rect, const std::function<void(int x, int y)>& visit);
// The frame's place in the tile at (x, y).
TRect FrameInTile(const TGIFSubImage& frame, int x, int y);

// The frame's place in a target rectangle that shows the whole logical screen.
TRect MapToTarget(const TGIFSubImage& frame, const TRect& target);
// Draws the frame into the rectangle: stretched to the screen's proportions or, tiled, at
// its place in every screen-sized tile; through its mask when transparent is asked for.
void PaintFrame(TGIFSubImage& frame, TCanvas& canvas, const TRect& rect, bool tiled, bool transparent);
void PaintStretched(TGIFSubImage& frame, TCanvas& canvas, const TRect& rect, bool tiled, bool transparent);

// A bitmap receives a copy of what the frame or the document renders (an empty frame or
// document leaves it as it is).
void AssignTo(TGIFSubImage& frame, TBitmap& target);
void AssignTo(TGIFImage& image, TBitmap& target);

// The document's rendered logical screen, made on first use from the first frame.
TBitmap* ViewBitmap(TGIFImage& image);
void PrepareViewBitmap(TGIFImage& image);
// Stops the painter that draws into the view bitmap, then frees the bitmap.
void ReleaseViewBitmap(TGIFImage& image);

}  // namespace lumvane
