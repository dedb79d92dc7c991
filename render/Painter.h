#pragma once
// The animation painter: plays a document's frames into a rectangle of a canvas with their
// delays (scaled by the playback speed), loops and disposal methods, on a thread of its own
// or inside the draw call, and reports its progress through the document's event hooks.

#include <array>
#include <atomic>
#include <functional>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "base/Types.h"
#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "gif/GIFGraphicControlExtension.h"
#include "render/PainterServices.h"
#include "render/ThreadPriority.h"

namespace lumvane {

class TGIFImage;
class TGIFPainter;
using TGIFDrawOptions = std::uint16_t;
// An event hook of a painter: called with the painter as sender.
using TPainterEvent = std::function<void(TGIFPainter& sender)>;

// The five moments a painter reports, in the order the document stores their hooks.
enum TPainterMoment { AnimationStart, BeforeFrame, AfterFrame, NextPass, AnimationEnd };

class TGIFPainter : public std::enable_shared_from_this<TGIFPainter> {
public:
  // Milliseconds per delay unit; the delay after a frame without one; the least delay; the
  // most for a painter without a thread.
  static constexpr int kUnitMilliseconds = 12;
  static constexpr int kDefaultDelay = 10;
  static constexpr int kMinimumDelay = 3;
  static constexpr int kMaximumUnthreadedDelay = 1000;

  // Buffers are made when a frame clears or restores its area (or the first frame's area is
  // cleared before every pass).
  TGIFPainter(TGIFImage& image, TGIFPainter** slot, TCanvas& canvas, TGIFDrawOptions options, const TRect& rect);
  ~TGIFPainter();
  TGIFPainter(const TGIFPainter&) = delete;
  TGIFPainter& operator=(const TGIFPainter&) = delete;

  // A threaded painter starts playing on its thread, at the document's PainterPriority; one
  // without a thread plays at once, to the end, and raises what went wrong.
  void Start();
  // Nothing is drawn and no event fires after a stop; the thread goes back to normal
  // priority to end soon. A threaded painter that was never started is released at once.
  void Stop();
  // Painter threads that have not finished yet, cleanup included: whoever owns the
  // services they use waits for none to be left before it goes away.
  static int RunningThreads() { return runningThreads_; }
  bool Terminated() const { return terminated_; }
  bool Threaded() const;
  bool DrawsOn(const TCanvas& canvas, const TRect& rect) const;

  // The document's event hooks see and may change these.
  std::atomic<int> ActiveFrame{-1};
  std::atomic<bool> RestartRequested{false};
  std::atomic<bool> HasDrawn{false};
  std::uint8_t CurrentDisposal = DisposalKeep;
  std::uint8_t PreviousDisposal = DisposalKeep;
  std::unique_ptr<TBitmap> SceneBuffer, ScratchBuffer, SavedBackground;

  // Cleanup on the user-interface thread: leaves the document's list and reference slot,
  // forgets the document and drops the buffers.
  void ReleasePainter();
  // The document is going away: the painter must not reach it any more.
  void ForgetDocument() { image_ = nullptr; }

private:
  void RunAnimation();
  void RunFrames(int& passesLeft, int& passStart, bool& loopSeen, int& delay, std::int64_t& lastTime,
                 std::int64_t& plannedWait);
  void Wait(int delay, std::int64_t& lastTime, std::int64_t& plannedWait);
  void DrawCurrentDirect();
  void DrawCurrentBuffered();
  void RestoreFrameArea();
  void InvokeOnUiThread(const std::function<void()>& step);
  void Fire(TPainterMoment moment);
  bool Has(TGIFDrawOptions option) const { return (options_ & option) != 0; }
  std::unique_ptr<TBitmap> CopyOfTarget() const;

  static inline std::atomic<int> runningThreads_{0};

  std::atomic<TGIFImage*> image_;
  TGIFPainter** slot_;
  TCanvas* canvas_;
  TRect rect_;
  TGIFDrawOptions options_;
  int speed_;
  std::array<TPainterEvent, 5> hooks_;
  TColor background_ = 0xFFFFFF;
  std::unique_ptr<TWakeEvent> wakeEvent_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> started_{false};
  TThreadPriority priority_;
  // What ended the painter, raised again in the caller of a painter without a thread.
  std::exception_ptr keptError_;
  std::string keptErrorText_;
};

// Creates a painter for the document (none for an empty document or rectangle) and
// registers it; one without a thread plays at once and none is answered.
std::shared_ptr<TGIFPainter> StartPainter(TGIFImage& image, TGIFPainter** slot, TCanvas& canvas,
                                          TGIFDrawOptions options, const TRect& rect);
// Stops the painter that draws the document, and waits for it.
void StopAnimation(TGIFImage& image);
// Stops every painter of the document and waits for them.
void StopAllPainters(TGIFImage& image);
// The bitmap stretched into the rectangle, or repeated in logical-screen tiles.
void PaintTiled(TGIFImage& image, TCanvas& canvas, const TRect& rect, const TBitmap& bitmap);

}  // namespace lumvane
