#include "render/FrameRendering.h"

#include <array>
#include <cstring>
#include <new>

#include "base/Errors.h"
#include "color/ColorLookups.h"
#include "color/Ditherers.h"
#include "gfx/Display.h"
#include "gfx/RowAccess.h"
#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFImage.h"

namespace lumvane {
namespace {

const std::string kRendering = "Rendering...";
constexpr std::int64_t kOneBitAbove = 500000;

int MaskRowBytes(int width) { return (width + 15) / 16 * 2; }

// What plain and dithered rendering share: the writer, the mask and the progress.
class TFrameRenderer {
public:
  explicit TFrameRenderer(TGIFSubImage& frame) : frame_(frame), image_(*frame.Image()) {
    buildMask_ = frame.MaskStale && frame.IsTransparent && frame.ControlExtension;
    frame.MaskStale = false;
    if (buildMask_) {
      transparent_ = frame.ControlExtension->TransparentIndex();
      mask_.assign(static_cast<std::size_t>(MaskRowBytes(frame.FrameWidth())) * frame.FrameHeight(), 0);
    }
  }
  bool BuildsMask() const { return buildMask_; }
  std::uint8_t TransparentIndex() const { return transparent_; }
  void ReportRow(int row) const {
    if (row % 32 == 0)
      image_.Progress(&frame_, TProgressStage::Running, Percent(row, frame_.FrameHeight()), false, kRendering);
  }
  void MarkTransparent(int x, int y) {
    mask_[static_cast<std::size_t>(y) * MaskRowBytes(frame_.FrameWidth()) + x / 8] |= 0x80 >> (x % 8);
    anyMasked_ = true;
  }
  // A transparent frame without any transparent pixel gets no mask.
  void KeepMask() {
    if (anyMasked_) frame_.Mask = CreateMaskBitmap(frame_.FrameWidth(), frame_.FrameHeight(), mask_.data());
  }

private:
  TGIFSubImage& frame_;
  TGIFImage& image_;
  bool buildMask_ = false;
  bool anyMasked_ = false;
  std::uint8_t transparent_ = 0;
  std::vector<std::uint8_t> mask_;
};

std::unique_ptr<TBitmap> NewFrameBitmap(TGIFSubImage& frame) {
  auto bitmap = std::make_unique<TBitmap>();
  if (std::int64_t{frame.FrameWidth()} * frame.FrameHeight() > kOneBitAbove) bitmap->SetPixelFormat(TPixelFormat::pf1bit);
  return bitmap;
}

// The colors of the pixel values as plain rendering shows them: the frame's own table, the
// global one, or else the first frame's (the document's palette then); black beyond it.
std::array<TColor, 256> ShownColors(TGIFSubImage& frame, int& count) {
  const TGIFColorMap* map = &frame.EffectiveColorMap();
  if (map->Count() == 0 && frame.Image()->Frames.Count() > 0) map = &frame.Image()->Frames[0].LocalColorMap();
  std::array<TColor, 256> colors{};
  count = map->Count();
  const std::uint8_t* entry = map->Entries();
  for (int i = 0; i < count; ++i, entry += 3) colors[i] = entry[0] | entry[1] << 8 | TColor{entry[2]} << 16;
  return colors;
}

std::unique_ptr<TBitmap> EmptyFrameBitmap(TGIFSubImage& frame, std::unique_ptr<TBitmap> bitmap) {
  bitmap->SetSize(frame.FrameWidth(), frame.FrameHeight());
  bitmap->SetPalette(CopyPalette(frame.Palette()));
  return bitmap;
}

}  // namespace

bool UseDithering(const TGIFImage& image) {
  if (!(image.PaintFlags & drawDithered)) return false;
  if (!(image.PaintFlags & drawDitherOnPalette)) return true;
  const TDisplaySettings& display = DisplaySettings();
  return display.BitsPerPixel * display.Planes <= 8;
}

std::unique_ptr<TBitmap> RenderPlain(TGIFSubImage& frame) {
  std::unique_ptr<TBitmap> bitmap = NewFrameBitmap(frame);
  if (frame.IsEmpty()) return EmptyFrameBitmap(frame, std::move(bitmap));
  TDIBWriter writer(*bitmap, TPixelFormat::pf8bit, frame.FrameWidth(), frame.FrameHeight(), frame.Palette());
  TFrameRenderer renderer(frame);
  const int width = frame.FrameWidth();
  for (int y = 0; y < frame.FrameHeight(); ++y) {
    renderer.ReportRow(y);
    const std::uint8_t* source = frame.RowAt(y);
    std::memcpy(writer.RowPointer(y), source, width);
    if (renderer.BuildsMask())
      for (int x = 0; x < width; ++x)
        if (source[x] == renderer.TransparentIndex()) renderer.MarkTransparent(x, y);
  }
  renderer.KeepMask();
  writer.Commit();
  return bitmap;
}

std::unique_ptr<TBitmap> RenderDithered(TGIFSubImage& frame) {
  std::unique_ptr<TBitmap> bitmap = NewFrameBitmap(frame);
  if (frame.IsEmpty()) return EmptyFrameBitmap(frame, std::move(bitmap));
  const int width = frame.FrameWidth();
  TDIBWriter writer(*bitmap, TPixelFormat::pf8bit, width, frame.FrameHeight(), frame.Palette());
  TFrameRenderer renderer(frame);
  int count = 0;
  const std::array<TColor, 256> colors = ShownColors(frame, count);
  bool beyond = false;
  TNetscapeColorLookup lookup;
  TFloydSteinbergDitherer ditherer(width, lookup);
  std::uint8_t fill = 0, red, green, blue;
  if (renderer.BuildsMask()) {
    const TColor transparent = colors[renderer.TransparentIndex()];
    fill = lookup.MapColor(transparent & 0xFF, (transparent >> 8) & 0xFF, (transparent >> 16) & 0xFF, red, green, blue);
  }
  for (int y = 0; y < frame.FrameHeight(); ++y) {
    renderer.ReportRow(y);
    const std::uint8_t* source = frame.RowAt(y);
    std::uint8_t* target = writer.RowPointer(y);
    if (renderer.BuildsMask()) std::memset(target, fill, width);
    for (int x = ditherer.Column(); x >= 0 && x < width; x = ditherer.Column()) {
      if (renderer.BuildsMask() && source[x] == renderer.TransparentIndex()) {
        renderer.MarkTransparent(x, y);
        ditherer.SkipPixel();
        continue;
      }
      const TColor color = colors[source[x]];
      beyond |= source[x] >= count;
      target[x] = ditherer.DitherPixel(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF, red, green, blue);
    }
    ditherer.AdvanceLine();
  }
  if (beyond) frame.ReportWarning(kSeverityDamage, MessageText(TGIFError::InvalidColorIndex));
  renderer.KeepMask();
  writer.Commit();
  return bitmap;
}

TBitmap* FrameBitmap(TGIFSubImage& frame) {
  if (frame.Bitmap || frame.IsEmpty()) return frame.Bitmap.get();
  TGIFImage& image = *frame.Image();
  image.Progress(&frame, TProgressStage::Starting, 0, false, kRendering);
  try {
    frame.Bitmap = UseDithering(image) ? RenderDithered(frame) : RenderPlain(frame);
  } catch (...) {
    image.Progress(&frame, TProgressStage::Ending, 0, image.PaletteModified, kRendering);
    throw;
  }
  image.Progress(&frame, TProgressStage::Ending, 100, image.PaletteModified, kRendering);
  if (image.PaletteModified) image.SendChanged();
  return frame.Bitmap.get();
}

void ForEachTile(const TGIFImage& image, const TRect& rect, const std::function<void(int x, int y)>& visit) {
  const int width = image.Width(), height = image.Height();
  if (width <= 0 || height <= 0) return;
  for (int y = rect.Top; y < rect.Bottom; y += height)
    for (int x = rect.Left; x < rect.Right; x += width) visit(x, y);
}

TRect FrameInTile(const TGIFSubImage& frame, int x, int y) {
  return {x + frame.FrameLeft(), y + frame.FrameTop(), x + frame.FrameLeft() + frame.FrameWidth(),
          y + frame.FrameTop() + frame.FrameHeight()};
}

TRect MapToTarget(const TGIFSubImage& frame, const TRect& target) {
  const TGIFImage& image = *frame.Image();
  const int width = image.Width(), height = image.Height();
  const int spanX = target.Right - target.Left, spanY = target.Bottom - target.Top;
  const auto scaled = [](int value, int span, int size) { return static_cast<std::int32_t>(MulDiv(value, span, size)); };
  return {target.Left + scaled(frame.FrameLeft(), spanX, width), target.Top + scaled(frame.FrameTop(), spanY, height),
          target.Left + scaled(frame.FrameLeft() + frame.FrameWidth(), spanX, width),
          target.Top + scaled(frame.FrameTop() + frame.FrameHeight(), spanY, height)};
}

void PaintFrame(TGIFSubImage& frame, TCanvas& canvas, const TRect& rect, bool tiled, bool transparent) {
  PaintStretched(frame, canvas, tiled ? rect : MapToTarget(frame, rect), tiled, transparent);
}

void PaintStretched(TGIFSubImage& frame, TCanvas& canvas, const TRect& rect, bool tiled, bool transparent) {
  // The mask query renders the frame again when its mask is stale.
  const bool masked = transparent && frame.IsTransparent && frame.HasMask();
  const TBitmap* bitmap = FrameBitmap(frame);
  if (!bitmap) return;
  const TGIFImage& image = *frame.Image();
  const auto draw = [&](const TRect& target) {
    if (masked)
      canvas.DrawMasked(target, *bitmap, *frame.Mask);
    else
      canvas.StretchDraw(target, *bitmap);
  };
  if (tiled)
    ForEachTile(image, rect, [&](int x, int y) { draw(FrameInTile(frame, x, y)); });
  else
    draw(rect);
  if (masked) canvas.Changed();
}

void AssignTo(TGIFSubImage& frame, TBitmap& target) {
  if (const TBitmap* rendered = FrameBitmap(frame)) target.LoadFromBMP(rendered->SaveToBMP());
}

void AssignTo(TGIFImage& image, TBitmap& target) {
  if (const TBitmap* rendered = ViewBitmap(image)) target.LoadFromBMP(rendered->SaveToBMP());
}

TBitmap* ViewBitmap(TGIFImage& image) {
  if (image.Frames.Count() == 0 || image.IsEmpty()) return nullptr;
  if (image.ViewBitmap) return image.ViewBitmap.get();
  TGIFSubImage& first = image.Frames[0];
  auto view = std::make_unique<TBitmap>();
  if (first.FrameWidth() == image.Width() && first.FrameHeight() == image.Height()) {
    if (const TBitmap* rendered = FrameBitmap(first)) view->LoadFromBMP(rendered->SaveToBMP());
  } else {
    view->SetPalette(CopyPalette(image.Palette()));
    view->SetSize(image.Width(), image.Height());
    PaintFrame(first, view->Canvas(), view->Canvas().ClipRect(), false, false);
  }
  view->OnChange = [&image] { image.SendChanged(); };
  image.ViewBitmap = std::move(view);
  return image.ViewBitmap.get();
}

void PrepareViewBitmap(TGIFImage& image) {
  if (image.ViewBitmap) return;
  auto view = std::make_unique<TBitmap>();
  view->OnChange = [&image] { image.SendChanged(); };
  view->SetPalette(CopyPalette(image.Palette()));
  view->SetSize(image.Width(), image.Height());
  image.ViewBitmap = std::move(view);
}

void ReleaseViewBitmap(TGIFImage& image) {
  {
    // A stopped painter draws nothing more, also with a step already waiting.
    std::lock_guard lock(image.PainterLock);
    if (image.DrawingPainter) image.DrawingPainter->shared_from_this()->Stop();
  }
  image.ViewBitmap.reset();
}

}  // namespace lumvane
