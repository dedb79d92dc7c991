#include "render/Painter.h"

#include <algorithm>
#include <set>
#include <thread>

#include "gif/GIFApplicationExtensions.h"
#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFImage.h"
#include "render/FrameRendering.h"

namespace lumvane {
namespace {

constexpr TColor kNoColor = 0x1FFFFFFF;
constexpr TColor kWindowColor = 0xFFFFFF;

TUiDispatcher& Dispatcher() { return *PainterServices().Dispatcher; }
TPainterClock& Clock() { return *PainterServices().Clock; }

}  // namespace

TGIFPainter::TGIFPainter(TGIFImage& image, TGIFPainter** slot, TCanvas& canvas, TGIFDrawOptions options,
                         const TRect& rect)
    : image_(&image),
      slot_(slot),
      canvas_(&canvas),
      rect_(rect),
      options_(options),
      speed_(image.PlaybackSpeed),
      hooks_(image.PainterEvents),
      priority_(image.PainterPriority) {
  if (Has(drawThreaded) && Has(drawAnimated) && image.Frames.Count() > 1 && speed_ >= 0)
    wakeEvent_ = Clock().CreateWakeEvent();
  if (image.DrawBackgroundColor != kNoColor)
    background_ = image.DrawBackgroundColor & 0xFFFFFF;
  else if (image.Header.GlobalColorMap().Count() > 0)
    background_ = image.BackgroundColor();
  else
    background_ = kWindowColor;

  std::set<int> disposals;
  for (const auto& frame : image.Frames)
    if (frame->ControlExtension) disposals.insert(EffectiveDisposal(frame->ControlExtension->Disposal()));
  if (Has(drawClearFirst)) disposals.insert(DisposalRestoreBackground);
  const bool clears = disposals.count(DisposalRestoreBackground) > 0;
  if (clears && Has(drawTransparent)) SavedBackground = CopyOfTarget();
  if (clears || disposals.count(DisposalRestorePrevious) > 0) {
    SceneBuffer = CopyOfTarget();
    SceneBuffer->Canvas().BrushColor = background_;
    ScratchBuffer = std::make_unique<TBitmap>();
    ScratchBuffer->SetSize(rect.Right - rect.Left, rect.Bottom - rect.Top);
    ScratchBuffer->Canvas().BrushColor = background_;
  }
}

TGIFPainter::~TGIFPainter() = default;

std::unique_ptr<TBitmap> TGIFPainter::CopyOfTarget() const {
  auto copy = std::make_unique<TBitmap>();
  copy->SetSize(rect_.Right - rect_.Left, rect_.Bottom - rect_.Top);
  copy->Canvas().CopyRect(TRect{0, 0, copy->Width(), copy->Height()}, *canvas_, rect_);
  return copy;
}

bool TGIFPainter::Threaded() const { return Has(drawThreaded); }

bool TGIFPainter::DrawsOn(const TCanvas& canvas, const TRect& rect) const {
  return canvas_ == &canvas && rect_.Left == rect.Left && rect_.Top == rect.Top && rect_.Right == rect.Right &&
         rect_.Bottom == rect.Bottom;
}

void TGIFPainter::Start() {
  if (!Has(drawThreaded)) {
    RunAnimation();
    ReleasePainter();
    if (keptError_) std::rethrow_exception(keptError_);
    return;
  }
  if (started_.exchange(true)) return;
  ++runningThreads_;
  std::thread([self = shared_from_this()]() mutable {
    self->priority_.Attach();
    self->RunAnimation();
    // The end notification runs on the user-interface thread; a kept error goes to the
    // document's warnings there, as the painter's own thread has no caller to raise it to.
    Dispatcher().RunOnUiThread([&self] {
      if (TGIFImage* image = self->image_.load(); image && self->keptError_)
        image->ReportWarning(image, 1, self->keptErrorText_);
      self->ReleasePainter();
    });
    self->priority_.Detach();
    self.reset();
    --runningThreads_;
  }).detach();
}

void TGIFPainter::Stop() {
  terminated_ = true;
  if (!Has(drawThreaded)) return;
  priority_.Set(kNormalPriority);
  if (wakeEvent_) wakeEvent_->Signal();
  // Without a thread there is nobody else to clean up.
  if (!started_.exchange(true)) ReleasePainter();
}

void TGIFPainter::InvokeOnUiThread(const std::function<void()>& step) {
  if (terminated_) return;
  // Checked again where the step runs: the painter may be stopped there (its target freed)
  // while the step waits for its turn.
  const auto unlessStopped = [&] {
    if (!terminated_) step();
  };
  if (Has(drawThreaded))
    Dispatcher().RunOnUiThread(unlessStopped);
  else
    unlessStopped();
}

void TGIFPainter::Fire(TPainterMoment moment) {
  if (!hooks_[moment]) return;
  InvokeOnUiThread([this, moment] {
    if (image_.load()) hooks_[moment](*this);
  });
}

void TGIFPainter::RunAnimation() {
  try {
    RestartRequested = true;
    while (RestartRequested && !terminated_) {
      ActiveFrame = 0;
      Fire(AnimationStart);
      HasDrawn = false;
      RestartRequested = false;
      int passesLeft = 1, passStart = 0;
      bool loopSeen = false;
      int delay = Has(drawThreaded) ? 0 : 1;
      PreviousDisposal = DisposalKeep;
      std::int64_t lastTime = Clock().Now(), plannedWait = 0;
      while ((passesLeft != 0 || Has(drawLoopForever)) && !terminated_ && !RestartRequested) {
        ActiveFrame = passStart;
        if (HasDrawn) Fire(NextPass);
        RunFrames(passesLeft, passStart, loopSeen, delay, lastTime, plannedWait);
        if (passesLeft > 0) --passesLeft;
        if (!(Has(drawAnimated) && Has(drawLooped))) break;
      }
    }
    ActiveFrame = -1;
    if (!terminated_) Fire(AnimationEnd);
  } catch (const std::exception& error) {
    terminated_ = true;
    keptError_ = std::current_exception();
    keptErrorText_ = error.what();
  }
}

void TGIFPainter::RunFrames(int& passesLeft, int& passStart, bool& loopSeen, int& delay, std::int64_t& lastTime,
                            std::int64_t& plannedWait) {
  for (bool first = true; !terminated_ && !RestartRequested; first = false) {
    TGIFImage* image = image_.load();
    if (!image || ActiveFrame >= image->Frames.Count()) return;
    if (!first && !Has(drawAnimated)) return;
    TGIFSubImage& frame = image->Frames[ActiveFrame];
    if (frame.IsEmpty()) return;

    if (delay <= 0) {
      Clock().Yield();
    } else {
      FrameBitmap(frame);  // rendered ahead, so that drawing only copies
      Wait(delay, lastTime, plannedWait);
    }
    if (terminated_ || !image_.load()) return;
    Fire(BeforeFrame);
    if (terminated_ || !image_.load()) return;

    CurrentDisposal = DisposalKeep;
    for (const auto& extension : frame.Extensions()) {
      if (const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(extension.get()); loop && !loopSeen) {
        loopSeen = true;
        const bool endless = (loop->LoopCount == 0 || Has(drawLoopForever)) && Has(drawThreaded);
        passesLeft = endless ? -1 : loop->LoopCount;
        passStart = ActiveFrame;
      } else if (const auto* control = dynamic_cast<const TGIFGraphicControlExtension*>(extension.get())) {
        CurrentDisposal = control->Disposal();
      }
    }
    if (SceneBuffer)
      InvokeOnUiThread([this] { DrawCurrentBuffered(); });
    else
      InvokeOnUiThread([this] { DrawCurrentDirect(); });
    PreviousDisposal = CurrentDisposal;
    if (terminated_) return;

    delay = kDefaultDelay;
    if (frame.ControlExtension && frame.ControlExtension->Delay() > 0) {
      delay = std::max<int>(frame.ControlExtension->Delay(), kMinimumDelay);
      if (!Has(drawThreaded)) delay = std::min(delay, kMaximumUnthreadedDelay);
    }
    const int shown = ActiveFrame;
    Fire(AfterFrame);
    if (terminated_) return;
    if (ActiveFrame == shown) ++ActiveFrame;
  }
}

void TGIFPainter::Wait(int delay, std::int64_t& lastTime, std::int64_t& plannedWait) {
  const std::int64_t now = Clock().Now();
  std::int64_t wait;
  if (speed_ > 0) {
    const std::int64_t overshoot = now - lastTime - plannedWait;
    wait = MulDiv(std::int64_t{delay} * kUnitMilliseconds - overshoot / 2, 100, speed_);
    plannedWait = wait;
  } else {
    wait = Has(drawThreaded) ? -1 : std::int64_t{kMaximumUnthreadedDelay} * kUnitMilliseconds;
  }
  lastTime = now;
  if (Has(drawThreaded)) {
    // A negative speed plays without waits; speed 0 waits until woken.
    if ((wait > 0 || speed_ == 0) && wakeEvent_ && wakeEvent_->Wait(wait)) {
      plannedWait = 0;
      lastTime = Clock().Now();
    }
    return;
  }
  for (std::int64_t left = std::max<std::int64_t>(wait, 1); left > 0 && !terminated_ && !RestartRequested;) {
    const std::int64_t start = Clock().Now();
    Clock().Sleep(std::min<std::int64_t>(left, 100));
    left -= Clock().Now() - start;
    if (!Dispatcher().ProcessPendingEvents()) terminated_ = true;  // a quit request
  }
}

void TGIFPainter::DrawCurrentDirect() {
  TGIFImage* image = image_.load();
  if (!image) return;
  PaintFrame(image->Frames[ActiveFrame], *canvas_, rect_, Has(drawTiled), Has(drawTransparent));
  HasDrawn = true;
  canvas_->Changed();  // whoever shows the canvas learns of the new frame
}

void TGIFPainter::DrawCurrentBuffered() {
  TGIFImage* image = image_.load();
  if (!image) return;
  if (Has(drawCheckCanvas) && !canvas_->HandleValid()) {
    terminated_ = true;
    return;
  }
  // Browsers read disposal 4 as 3 and 5 to 7 as 1.
  const TDisposalMethod current = EffectiveDisposal(CurrentDisposal);
  const TDisposalMethod previous = EffectiveDisposal(PreviousDisposal);
  TCanvas* surface = &SceneBuffer->Canvas();
  TRect area = surface->ClipRect();
  const TBitmap* shown = SceneBuffer.get();
  if (current == DisposalRestorePrevious) {
    if (previous < DisposalRestoreBackground) {
      surface = canvas_;
      area = rect_;
      shown = nullptr;
    } else {
      ScratchBuffer->Canvas().CopyRect(ScratchBuffer->Canvas().ClipRect(), SceneBuffer->Canvas(),
                                       SceneBuffer->Canvas().ClipRect());
      surface = &ScratchBuffer->Canvas();
      area = surface->ClipRect();
      shown = ScratchBuffer.get();
    }
  }
  if (Has(drawClearFirst) && ActiveFrame == 0) RestoreFrameArea();
  PaintFrame(image->Frames[ActiveFrame], *surface, area, Has(drawTiled), Has(drawTransparent));
  if (shown) canvas_->StretchDraw(rect_, *shown);
  HasDrawn = true;
  if (current == DisposalRestoreBackground) RestoreFrameArea();
  canvas_->Changed();  // whoever shows the canvas learns of the new frame
}

void TGIFPainter::RestoreFrameArea() {
  TGIFImage& image = *image_.load();
  const TGIFSubImage& frame = image.Frames[ActiveFrame];
  TCanvas& scene = SceneBuffer->Canvas();
  if (Has(drawTransparent) && SavedBackground) {
    if (Has(drawTiled)) {
      ForEachTile(image, rect_, [&](int x, int y) {
        const TRect area = FrameInTile(frame, x, y);
        scene.CopyRect(area, SavedBackground->Canvas(), area);
      });
    } else {
      const TRect area = MapToTarget(frame, scene.ClipRect());
      scene.CopyRect(area, SavedBackground->Canvas(), area);
    }
    return;
  }
  scene.BrushColor = background_;
  if (Has(drawTiled) && frame.FrameWidth() != image.Width() && frame.FrameHeight() != image.Height())
    ForEachTile(image, rect_, [&](int x, int y) { scene.FillRect(FrameInTile(frame, x, y)); });
  else
    scene.FillRect(MapToTarget(frame, TRect{0, 0, rect_.Right - rect_.Left, rect_.Bottom - rect_.Top}));
}

void TGIFPainter::ReleasePainter() {
  TGIFImage* image = image_.exchange(nullptr);
  if (image) {
    std::lock_guard lock(image->PainterLock);
    if (slot_ && *slot_ == this) *slot_ = nullptr;
    auto& painters = image->Painters;
    const auto self = std::find_if(painters.begin(), painters.end(), [this](const auto& p) { return p.get() == this; });
    if (self != painters.end()) {
      const std::shared_ptr<TGIFPainter> keep = *self;  // not destroyed while in use here
      painters.erase(self);
    }
  }
  SceneBuffer.reset();
  ScratchBuffer.reset();
  SavedBackground.reset();
}

std::shared_ptr<TGIFPainter> StartPainter(TGIFImage& image, TGIFPainter** slot, TCanvas& canvas,
                                          TGIFDrawOptions options, const TRect& rect) {
  if (image.IsEmpty() || rect.Left >= rect.Right || rect.Top >= rect.Bottom) {
    if (slot) *slot = nullptr;
    return nullptr;
  }
  if (image.Frames.Count() == 1) options &= ~(drawThreaded | drawAnimated);
  auto painter = std::make_shared<TGIFPainter>(image, slot, canvas, options, rect);
  {
    std::lock_guard lock(image.PainterLock);
    if (slot) *slot = painter.get();
    image.Painters.push_back(painter);
  }
  if (options & drawThreaded) return painter;
  painter->Start();  // plays to the end; its cleanup clears the slot
  return nullptr;
}

void StopAnimation(TGIFImage& image) {
  for (;;) {
    {
      std::lock_guard lock(image.PainterLock);
      if (!image.DrawingPainter) break;
      const std::shared_ptr<TGIFPainter> painter = image.DrawingPainter->shared_from_this();
      painter->Stop();  // may release it
      if (!painter->Threaded()) break;
    }
    if (Dispatcher().IsUiThread()) Dispatcher().ProcessPendingEvents();
    Clock().Yield();
  }
  ReleaseViewBitmap(image);
}

void StopAllPainters(TGIFImage& image) {
  for (;;) {
    {
      std::lock_guard lock(image.PainterLock);
      bool anyThreaded = false;
      const std::vector<std::shared_ptr<TGIFPainter>> painters = image.Painters;  // a stop may release one
      for (auto it = painters.rbegin(); it != painters.rend(); ++it) {
        (*it)->Stop();
        anyThreaded |= (*it)->Threaded();
      }
      if (!anyThreaded || image.Painters.empty()) break;
    }
    if (Dispatcher().IsUiThread()) Dispatcher().ProcessPendingEvents();
    Clock().Yield();
  }
  ReleaseViewBitmap(image);
}

void PaintTiled(TGIFImage& image, TCanvas& canvas, const TRect& rect, const TBitmap& bitmap) {
  if (!(image.PaintFlags & drawTiled)) {
    canvas.StretchDraw(rect, bitmap);
    return;
  }
  ForEachTile(image, rect, [&](int x, int y) {
    canvas.StretchDraw(TRect{x, y, x + image.Width(), y + image.Height()}, bitmap);
  });
}

}  // namespace lumvane
