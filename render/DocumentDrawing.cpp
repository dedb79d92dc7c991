// A document drawing itself into a rectangle of a canvas: its first frame, or its
// animation played by a painter.

#include <memory>

#include "gif/GIFImage.h"
#include "render/FrameRendering.h"
#include "render/Painter.h"

namespace lumvane {

void TGIFImage::Draw(TCanvas& canvas, const TRect& rect) {
  if (drawing_ || Frames.Count() == 0) return;
  const std::weak_ptr<bool> alive = alive_;
  drawing_ = true;
  struct TDrawingFlag {
    TGIFImage& image;
    std::weak_ptr<bool> alive;
    ~TDrawingFlag() {
      if (!alive.expired()) image.drawing_ = false;  // an event hook may have destroyed it
    }
  } flag{*this, alive};

  const bool tiled = PaintFlags & drawTiled, transparent = PaintFlags & drawTransparent;
  if (Frames.Count() == 1 || !(PaintFlags & drawAnimated)) {
    PaintFrame(Frames[0], canvas, rect, tiled, transparent);
    return;
  }
  if (ViewBitmap && !(PaintFlags & drawDirect)) {
    PaintTiled(*this, canvas, rect, *ViewBitmap);
    return;
  }
  std::unique_lock lock(PainterLock);
  if (DrawingPainter && DrawingPainter->DrawsOn(canvas, rect)) return;
  StopAnimation(*this);
  TCanvas* target = &canvas;
  TRect area = rect;
  if (!(PaintFlags & drawDirect)) {
    PrepareViewBitmap(*this);
    ViewBitmap->Canvas().CopyRect(ViewBitmap->Canvas().ClipRect(), canvas, rect);
    target = &ViewBitmap->Canvas();
    area = target->ClipRect();
  }
  // A painter without a thread plays right here, and its event hooks may even destroy the
  // document: nothing of it may be held or touched afterwards.
  if (!(PaintFlags & drawThreaded)) {
    lock.unlock();
    StartPainter(*this, &DrawingPainter, *target, PaintFlags, area);
    return;
  }
  const std::shared_ptr<TGIFPainter> painter = StartPainter(*this, &DrawingPainter, *target, PaintFlags, area);
  if (!painter) return;
  painter->Start();
  if (PaintFlags & drawDirect) return;
  // Wait for the first frame in the view bitmap, serving the painter's requests meanwhile.
  TUiDispatcher& dispatcher = *PainterServices().Dispatcher;
  while (DrawingPainter == painter.get() && !painter->Terminated() && !painter->HasDrawn) {
    if (!dispatcher.ProcessPendingEvents()) break;
    PainterServices().Clock->Yield();
  }
  if (ViewBitmap) PaintTiled(*this, canvas, rect, *ViewBitmap);
}

}  // namespace lumvane
