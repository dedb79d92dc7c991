#pragma once
// Frames as bitmaps: rendering (plain, or dithered to the web palette) with a transparency
// mask, drawing into a rectangle of a canvas (stretched or tiled, through the mask), the
// document's view bitmap, and row access to bitmap pixels.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "gif/Types.h"
#include "render/Bitmap.h"
#include "render/Canvas.h"
#include "render/Palette.h"

namespace lumvane {

class TGIFImage;
class TGIFSubImage;

// The 216 web colors: entry 36r + 6g + b is (51r, 51g, 51b).
TPaletteHandle WebPalette();

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

// Row access to a bitmap's own pixels in the given format (the bitmap is converted).
class TDIBReader {
public:
  TDIBReader(TBitmap& bitmap, TPixelFormat format);
  std::uint8_t* RowPointer(int row) { return bitmap_.ScanLine(row); }

private:
  TBitmap& bitmap_;
};

// Collects rows of 8 or 24 bits per pixel and hands them to the bitmap in one block, as
// an in-memory BMP file, on Commit.
class TDIBWriter {
public:
  TDIBWriter(TBitmap& bitmap, TPixelFormat format, int width, int height, TPaletteHandle palette);
  // Row 0 is the top row.
  std::uint8_t* RowPointer(int row);
  void Commit();

private:
  void EnsureMemory();

  TBitmap& bitmap_;
  int bitsPerPixel_;
  int width_;
  int height_;
  TPaletteHandle palette_;
  std::vector<std::uint8_t> header_;
  std::vector<std::uint8_t> pixels_;
  std::size_t rowBytes_ = 0;
};

}  // namespace lumvane
