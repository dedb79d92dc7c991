#include <gtest/gtest.h>
#include <sys/resource.h>

#include "base/Errors.h"
#include "gif/GIFApplicationExtensions.h"
#include "gif/GIFGraphicControlExtension.h"
#include "optimize/Compositor.h"
#include "render/FrameRendering.h"
#include "render/Painter.h"
#include "support/Corpus.h"
#include "support/FakePainterServices.h"
#include "support/GifBytes.h"

namespace lumvane::test {
namespace {

struct PainterTest : ::testing::Test {
  FakePainterServices services;
  std::unique_ptr<TGIFImage> image = std::make_unique<TGIFImage>();
  TBitmap target;

  void SetUp() override {
    for (TColor c : {0x000000u, 0xFFFFFFu, 0x0000FFu, 0x00FF00u}) image->Header.GlobalColorMap().AddColor(c);
    target.SetSize(4, 4);
  }
  // A 4 × 4 frame of one color, with a control block when delay or disposal is given.
  TGIFSubImage& Frame(std::uint8_t color, int delay = -1, std::uint8_t disposal = 0) {
    TGIFSubImage& frame = AddFrame(*image, 0, 0, 4, 4);
    std::fill(frame.Pixels(), frame.Pixels() + 16, color);
    if (delay >= 0) {
      auto control = std::make_unique<TGIFGraphicControlExtension>(frame);
      control->SetDelay(static_cast<std::uint16_t>(delay));
      control->SetDisposal(disposal);
      frame.Extensions().Add(std::move(control));
    }
    return frame;
  }
  void Loop(int count) {
    auto loop = std::make_unique<TGIFAppExtNSLoop>(image->Frames[0]);
    loop->LoopCount = static_cast<std::uint16_t>(count);
    image->Frames[0].Extensions().Insert(0, std::move(loop));
  }
  bool Playing() {
    std::lock_guard lock(image->PainterLock);
    return !image->Painters.empty();
  }
  // Plays with the given options to the end, serving the painter's requests.
  void Play(TGIFDrawOptions options) {
    auto painter = StartPainter(*image, nullptr, target.Canvas(), options, TRect{0, 0, 4, 4});
    if (!painter) return;
    painter->Start();
    while (Playing()) PainterServices().Dispatcher->ProcessPendingEvents();
  }
  // Waits that came from frame delays (the painter's first frame is drawn at once).
  std::vector<std::int64_t> Waits() { return services.Clock.Waits(); }
};

constexpr TGIFDrawOptions kThreaded = drawThreaded | drawAnimated;

TEST_F(PainterTest, DelaysBecomeWaitsScaledBySpeed) {
  Frame(1, 5);
  Frame(2, 1);
  Frame(3);
  Frame(1, 5);
  Play(kThreaded);
  // 5 units at 100 %, 1 unit raised to 3, no control block: 10 units.
  EXPECT_EQ(Waits(), (std::vector<std::int64_t>{60, 36, 120}));

  image->PlaybackSpeed = 200;
  FakePainterServices fresh;
  Play(kThreaded);
  EXPECT_EQ(fresh.Clock.Waits(), (std::vector<std::int64_t>{30, 18, 60}));
}

TEST_F(PainterTest, HalfOfAStepsOvershootComesOffTheNextWait) {
  Frame(1, 5);
  Frame(2, 5);
  Frame(3, 5);
  // Each frame takes 20 ms to show: the wait after it is 60 - 20 / 2.
  image->PainterEvents[BeforeFrame] = [this](TGIFPainter&) { services.Clock.Advance(20); };
  Play(kThreaded);
  EXPECT_EQ(Waits(), (std::vector<std::int64_t>{50, 50}));
}

TEST_F(PainterTest, LongDelaysAreCutOnlyWithoutAThread) {
  Frame(1, 1500);
  Frame(2, 1500);
  Play(kThreaded);
  EXPECT_EQ(Waits(), (std::vector<std::int64_t>{18000}));

  FakePainterServices fresh;
  Play(drawAnimated);
  std::int64_t slept = 0;
  for (std::int64_t w : fresh.Clock.Waits()) slept += w;
  // The first frame waits 1 unit (12 ms); the second 1000 units, in steps of 100 ms.
  EXPECT_EQ(slept, 12 + 12000);
}

TEST_F(PainterTest, SpeedZeroWaitsUntilWokenAndNegativeSpeedDoesNotWait) {
  Frame(1, 5);
  Frame(2, 5);
  image->PlaybackSpeed = -1;
  Play(kThreaded);
  EXPECT_TRUE(Waits().empty());

  image->PlaybackSpeed = 0;
  auto painter = StartPainter(*image, nullptr, target.Canvas(), kThreaded, TRect{0, 0, 4, 4});
  bool ended = false;
  image->PainterEvents[AnimationEnd] = [&](TGIFPainter&) { ended = true; };
  painter->Start();
  while (Waits().empty()) services.Dispatcher.ProcessPendingEvents();
  EXPECT_EQ(Waits().back(), -1);
  painter->Stop();  // ends the endless wait at once
  while (Playing()) services.Dispatcher.ProcessPendingEvents();
  EXPECT_FALSE(ended);
}

TEST_F(PainterTest, LoopCountsDecideThePasses) {
  Frame(1, 5);
  Frame(2, 5);
  Loop(3);
  int frames = 0;
  image->PainterEvents[AfterFrame] = [&](TGIFPainter&) { ++frames; };
  Play(kThreaded | drawLooped);
  EXPECT_EQ(frames, 6);

  // Loop count 0 plays once without a thread...
  image->Frames[0].Extensions().Delete(0);
  Loop(0);
  frames = 0;
  Play(drawAnimated | drawLooped);
  EXPECT_EQ(frames, 2);
  // ...and without end with one, here until the fourth pass begins.
  frames = 0;
  int passes = 0;
  image->PainterEvents[NextPass] = [&](TGIFPainter& sender) {
    if (++passes == 3) sender.Stop();
  };
  Play(kThreaded | drawLooped);
  EXPECT_EQ(frames, 6);
}

TEST_F(PainterTest, ARestartBeginsAgainAtFrameZero) {
  Frame(1, 5);
  Frame(2, 5);
  int starts = 0, shown = 0;
  image->PainterEvents[AnimationStart] = [&](TGIFPainter&) { ++starts; };
  image->PainterEvents[AfterFrame] = [&](TGIFPainter& sender) {
    if (++shown == 1) sender.RestartRequested = true;
  };
  Play(kThreaded);
  EXPECT_EQ(starts, 2);
  EXPECT_EQ(shown, 3);
}

TEST_F(PainterTest, AOneFrameDocumentIsDrawnOnceWithoutAThread) {
  Frame(2);
  int frames = 0;
  image->PainterEvents[AfterFrame] = [&](TGIFPainter&) { ++frames; };
  EXPECT_EQ(StartPainter(*image, nullptr, target.Canvas(), 0x060F, TRect{0, 0, 4, 4}), nullptr);
  EXPECT_EQ(frames, 1);
  EXPECT_EQ(target.PixelColor(3, 3), 0x0000FFu);
}

TEST_F(PainterTest, EveryFrameDrawnTellsTheTargetOnceDirectOrBuffered) {
  Frame(1, 5, 1);
  Frame(2, 5, 2);  // buffered: cleared afterwards
  Frame(3, 5, 1);
  for (const TGIFDrawOptions options : {kThreaded, static_cast<TGIFDrawOptions>(kThreaded | drawTransparent)}) {
    int changes = 0, frames = 0;
    target.OnChange = [&] { ++changes; };
    image->PainterEvents[AfterFrame] = [&](TGIFPainter&) { ++frames; };
    Play(options);
    EXPECT_EQ(frames, 3);
    EXPECT_EQ(changes, frames) << options;
  }
  target.OnChange = nullptr;
}

TEST_F(PainterTest, BuffersAreMadeOnlyForFramesThatClearOrRestore) {
  Frame(1, 5, 1);
  Frame(2, 5, 0);
  auto plain = StartPainter(*image, nullptr, target.Canvas(), kThreaded, TRect{0, 0, 4, 4});
  EXPECT_EQ(plain->SceneBuffer, nullptr);
  Frame(3, 5, 4);  // read as restore-previous
  auto buffered = StartPainter(*image, nullptr, target.Canvas(), kThreaded, TRect{0, 0, 4, 4});
  EXPECT_NE(buffered->SceneBuffer, nullptr);
  EXPECT_EQ(buffered->SavedBackground, nullptr);
  plain->ReleasePainter();
  buffered->ReleasePainter();
}

TEST_F(PainterTest, ErrorsReachTheCallerOrTheWarnings) {
  Frame(1, 5);
  Frame(2, 5);
  image->PainterEvents[BeforeFrame] = [](TGIFPainter&) { throw GIFException(TGIFError::InvalidGIFData); };
  try {
    Play(drawAnimated);
    ADD_FAILURE();
  } catch (const GIFException& e) {
    EXPECT_EQ(e.Kind(), TGIFError::InvalidGIFData);
  }
  std::vector<std::string> warnings;
  image->WarningHandler = [&](const TPersistent*, int, const std::string& m) { warnings.push_back(m); };
  Play(kThreaded);
  EXPECT_EQ(warnings, std::vector<std::string>{"Invalid GIF data"});
}

TEST_F(PainterTest, DrawingAgainOnTheSameCanvasStartsNoSecondPainter) {
  Frame(1, 5);
  Frame(2, 5);
  image->PaintFlags = 0x060F | drawLoopForever;
  image->Header.SetLogicalScreenWidth(4);
  image->Header.SetLogicalScreenHeight(4);
  image->Draw(target.Canvas(), TRect{0, 0, 4, 4});
  image->Draw(target.Canvas(), TRect{0, 0, 4, 4});
  {
    std::lock_guard lock(image->PainterLock);
    EXPECT_EQ(image->Painters.size(), 1u);
  }
  // Destroying the playing document stops its painter and waits for it.
  image.reset();
}

TEST_F(PainterTest, ADocumentDestroyedByItsOwnEventIsNotTouchedAgain) {
  Frame(1, 5);
  Frame(2, 5);
  Frame(3, 5);
  image->Header.SetLogicalScreenWidth(4);
  image->Header.SetLogicalScreenHeight(4);
  image->PaintFlags = drawAnimated | drawDirect;
  int frames = 0;
  image->PainterEvents[AfterFrame] = [&](TGIFPainter&) {
    if (++frames == 2) image.reset();
  };
  TGIFImage* playing = image.get();
  playing->Draw(target.Canvas(), TRect{0, 0, 4, 4});
  EXPECT_EQ(image, nullptr);
  EXPECT_EQ(frames, 2);
}

TEST_F(PainterTest, TheViewBitmapIsFreedOnlyAfterItsPainterStopped) {
  Frame(1, 5);
  Frame(2, 5);
  Frame(3, 5);
  image->Header.SetLogicalScreenWidth(4);
  image->Header.SetLogicalScreenHeight(4);
  const std::vector<std::function<void()>> frees = {
      [&] { ReleaseViewBitmap(*image); },
      [&] { image->Header.GlobalColorMap().AddColor(0x123456); },  // another palette
      [&] { image->SetWidth(image->Width() + 1); },
  };
  for (std::size_t i = 0; i < frees.size(); ++i) {
    int frames = 0;
    image->PainterEvents[BeforeFrame] = [&](TGIFPainter&) {
      if (++frames == 2) frees[i]();
    };
    image->Draw(target.Canvas(), TRect{0, 0, 4, 4});
    while (Playing()) services.Dispatcher.ProcessPendingEvents();
    EXPECT_EQ(image->ViewBitmap, nullptr) << i;
    EXPECT_EQ(frames, 2) << i;
  }
}

TEST_F(PainterTest, APainterNeverStartedIsReleasedWhenPaintersStop) {
  Frame(1, 5);
  Frame(2, 5);
  const auto painter = StartPainter(*image, nullptr, target.Canvas(), kThreaded, TRect{0, 0, 4, 4});
  ASSERT_TRUE(Playing());
  image->Clear();  // waits for every painter to end
  EXPECT_FALSE(Playing());
}

// The clock is read on the painter's thread: it notes the thread's niceness each time.
class NicenessClock : public FakeClock {
public:
  std::int64_t Now() override {
    if (std::this_thread::get_id() != ui_) {
      std::lock_guard lock(mutex_);
      seen_.push_back(getpriority(PRIO_PROCESS, 0));  // on Linux: the calling thread's
    }
    return FakeClock::Now();
  }
  std::vector<int> Seen() {
    std::lock_guard lock(mutex_);
    return seen_;
  }

private:
  const std::thread::id ui_ = std::this_thread::get_id();
  std::mutex mutex_;
  std::vector<int> seen_;
};

// Lowering niceness again needs privileges that a test may not have.
bool MayRaisePriority() {
  bool may = false;
  std::thread([&] {
    const int niceness = getpriority(PRIO_PROCESS, 0);
    may = niceness < 19 && setpriority(PRIO_PROCESS, 0, niceness + 1) == 0 &&
          setpriority(PRIO_PROCESS, 0, niceness) == 0;
  }).join();
  return may;
}

TEST_F(PainterTest, ThreadsRunAtThePainterPriorityAndAStoppedOneAtNormal) {
  Frame(1, 5);
  Frame(2, 5);
  NicenessClock clock;
  PainterServices().Clock = &clock;
  image->PlaybackSpeed = 0;  // waits until woken
  image->PainterPriority = 1;
  const int normal = getpriority(PRIO_PROCESS, 0);
  auto painter = StartPainter(*image, nullptr, target.Canvas(), kThreaded, TRect{0, 0, 4, 4});
  painter->Start();
  while (clock.Waits().empty()) services.Dispatcher.ProcessPendingEvents();
  painter->Stop();
  while (Playing()) services.Dispatcher.ProcessPendingEvents();
  while (TGIFPainter::RunningThreads() > 0) services.Dispatcher.ProcessPendingEvents();
  PainterServices().Clock = &services.Clock;
  const std::vector<int> seen = clock.Seen();
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen.front(), NicenessFor(1, normal));
  EXPECT_GT(seen.front(), normal);
  if (MayRaisePriority()) {
    EXPECT_EQ(seen.back(), normal);  // read after the wake-up
  }
}

TEST(PainterCorpus, EveryAnimationPlaysIntoTheViewAsTheCompositorShowsIt) {
  LUMVANE_REQUIRE_CORPUS();
  FakePainterServices services;
  for (const std::string& path : CorpusFiles("animated")) {
    Loaded loaded = LoadBytes(ReadFileBytes(path));
    TGIFImage& image = *loaded.Image;
    if (image.Frames.Count() < 2 || image.Width() == 0 || image.Height() == 0) continue;
    SCOPED_TRACE(path);
    bool keepOnly = true;  // disposals 0 and 1 only: the view must match the compositor
    for (const auto& frame : image.Frames)
      if (frame->ControlExtension && frame->ControlExtension->Disposal() > 1) keepOnly = false;
    TCompositor compositor(image);
    TPicture picture;
    bool havePicture = compositor.Next(picture);
    int mismatched = 0, frames = 0;
    image.PainterEvents[NextPass] = [](TGIFPainter& sender) { sender.Stop(); };
    image.PainterEvents[AfterFrame] = [&](TGIFPainter&) {
      ++frames;
      if (!keepOnly || !havePicture || !image.ViewBitmap) return;
      const auto differs = [&](const TPicture& p) {
        for (int y = 0; y < p.Height; ++y)
          for (int x = 0; x < p.Width; ++x) {
            const std::uint32_t pixel = p.Pixels[static_cast<std::size_t>(y) * p.Width + x];
            if (pixel != 0 && image.ViewBitmap->PixelColor(x, y) != (pixel & 0xFFFFFF)) return true;
          }
        return false;
      };
      if (!differs(picture)) return;
      havePicture = compositor.Next(picture);
      if (!havePicture || differs(picture)) ++mismatched;
    };
    TBitmap screen;
    screen.SetSize(image.Width(), image.Height());
    image.Draw(screen.Canvas(), TRect{0, 0, image.Width(), image.Height()});
    for (;;) {
      {
        std::lock_guard lock(image.PainterLock);
        if (image.Painters.empty()) break;
      }
      services.Dispatcher.ProcessPendingEvents();
    }
    EXPECT_GT(frames, 1);
    EXPECT_EQ(mismatched, 0);
  }
}

}  // namespace
}  // namespace lumvane::test
