#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "base/Errors.h"
#include "gif/GIFApplicationExtensions.h"
#include "gif/GIFGraphicControlExtension.h"
#include "optimize/Compositor.h"
#include "optimize/TiledCanvas.h"
#include "support/GifBytes.h"

namespace lumvane::test {
namespace {

// A document built frame by frame over a global table of red, green, blue and white
// (indexes 0 to 3). Adding a frame may widen the screen; Pictures sets it back first.
struct Scene {
  Scene(int width, int height) : width(width), height(height) {
    for (TColor color : {0x0000FFu, 0x00FF00u, 0xFF0000u, 0xFFFFFFu}) image.Header.GlobalColorMap().AddColor(color);
  }

  // Pixels are one digit each, rows top to bottom.
  TGIFSubImage& Frame(int left, int top, int frameWidth, int frameHeight, const std::string& pixels) {
    TGIFSubImage& frame = AddFrame(image, left, top, frameWidth, frameHeight);
    for (std::size_t i = 0; i < pixels.size(); ++i) frame.Pixels()[i] = static_cast<std::uint8_t>(pixels[i] - '0');
    return frame;
  }
  // A frame that holds extensions only.
  TGIFSubImage& Blocks() { return AddFrame(image, 0, 0, 0, 0); }

  // A graphic control block; a transparent index below 0 means none.
  static void Control(TGIFSubImage& frame, int disposal, int delay, int transparentIndex = -1) {
    auto control = std::make_unique<TGIFGraphicControlExtension>(frame);
    control->SetDisposal(static_cast<std::uint8_t>(disposal));
    control->SetDelay(static_cast<std::uint16_t>(delay));
    if (transparentIndex >= 0) {
      control->SetTransparent(true);
      control->ControlBlock[4] = static_cast<std::uint8_t>(transparentIndex);
    }
    frame.Extensions().Add(std::move(control));
  }
  static void Loop(TGIFSubImage& frame, int count) {
    auto loop = std::make_unique<TGIFAppExtNSLoop>(frame);
    loop->LoopCount = static_cast<std::uint16_t>(count);
    frame.Extensions().Add(std::move(loop));
  }

  TGIFImage& Document() {
    image.Header.SetLogicalScreenWidth(width);
    image.Header.SetLogicalScreenHeight(height);
    return image;
  }

  // Every picture as its rows joined by '|' (R, G, B, W, K for black, '.' transparent),
  // a space and its time.
  std::vector<std::string> Pictures() {
    TCompositor compositor(Document());
    std::vector<std::string> shown;
    TPicture picture;
    while (compositor.Next(picture)) {
      EXPECT_EQ(picture.Width, compositor.Width());
      EXPECT_EQ(picture.Pixels.size(), static_cast<std::size_t>(picture.Width) * picture.Height);
      std::string text;
      for (std::size_t i = 0; i < picture.Pixels.size(); ++i) {
        if (i > 0 && i % picture.Width == 0) text += '|';
        switch (picture.Pixels[i]) {
          case 0: text += '.'; break;
          case 0xFF0000FF: text += 'R'; break;
          case 0xFF00FF00: text += 'G'; break;
          case 0xFFFF0000: text += 'B'; break;
          case 0xFFFFFFFF: text += 'W'; break;
          case 0xFF000000: text += 'K'; break;
          default: text += '?';
        }
      }
      shown.push_back(text + " " + std::to_string(picture.Time));
    }
    return shown;
  }

  TGIFImage image;
  int width, height;
};

using Shown = std::vector<std::string>;

TEST(Compositor, DisposalClearsRestoresOrKeepsTheFramesArea) {
  Scene scene(4, 2);
  Scene::Control(scene.Frame(0, 0, 4, 2, "00000000"), 1, 5);
  Scene::Control(scene.Frame(0, 0, 2, 1, "11"), 2, 5);
  Scene::Control(scene.Frame(3, 1, 1, 1, "2"), 3, 0);
  Scene::Control(scene.Frame(2, 0, 1, 1, "3"), 4, 0);  // read as 3
  Scene::Control(scene.Frame(3, 0, 1, 1, "2"), 7, 0);  // read as keep
  scene.Frame(0, 1, 1, 1, "1");
  EXPECT_EQ(scene.Pictures(), (Shown{"RRRR|RRRR 5", "GGRR|RRRR 5", "..RR|RRRB 10", "..WR|RRRR 10",
                                     "..RB|RRRR 10", "..RB|GRRR 10"}));

  // Restoring after the first frame brings back the empty canvas.
  Scene first(2, 1);
  Scene::Control(first.Frame(0, 0, 1, 1, "0"), 3, 0);
  first.Frame(1, 0, 1, 1, "1");
  EXPECT_EQ(first.Pictures(), (Shown{"R. 10", ".G 10"}));
}

TEST(Compositor, FramesAreClippedToTheScreenAndFramesOutsideItShowNothingNew) {
  Scene scene(3, 2);
  Scene::Control(scene.Frame(0, 1, 4, 1, "0001"), 0, 5);
  // Its last pixel lies beyond the right edge: neither painting nor clearing reaches the
  // next row.
  Scene::Control(scene.Frame(2, 0, 2, 1, "21"), 2, 5);
  Scene::Control(scene.Frame(3, 1, 1, 1, "3"), 0, 7);
  Scene::Control(scene.Frame(60000, 0, 1, 1, "3"), 0, 4);
  scene.Frame(0, 2, 3, 1, "333");
  EXPECT_EQ(scene.Pictures(), (Shown{"...|RRR 5", "..B|RRR 5", "...|RRR 21"}));
}

TEST(Compositor, ColorsComeFromTheFramesTableWithBlackBeyondIt) {
  Scene scene(4, 1);
  scene.Frame(0, 0, 4, 1, "0149");
  TGIFSubImage& local = scene.Frame(0, 0, 4, 1, "0123");
  local.LocalColorMap().AddColor(0xFF0000);
  local.LocalColorMap().AddColor(0xFFFFFF);
  // A transparent index beyond the table still makes its pixels transparent.
  Scene::Control(scene.Frame(0, 0, 4, 1, "7077"), 0, 0, 7);
  EXPECT_EQ(scene.Pictures(), (Shown{"RGKK 10", "BWKK 10", "BRKK 10"}));

  Scene bare(1, 1);
  bare.image.Header.GlobalColorMap().Clear();
  bare.Frame(0, 0, 1, 1, "0");
  EXPECT_EQ(bare.Pictures(), Shown{"K 10"});
}

TEST(Compositor, TheLastGraphicControlBlockOfAFrameCounts) {
  Scene scene(2, 1);
  TGIFSubImage& frame = scene.Frame(0, 0, 2, 1, "01");
  Scene::Control(frame, 2, 50, 1);
  Scene::Control(frame, 0, 20);
  TGIFSubImage& next = scene.Frame(0, 0, 1, 1, "2");
  Scene::Control(next, 0, 30);
  Scene::Control(next, 1, 40, 2);
  // The second frame's only pixel is transparent: the picture stays.
  EXPECT_EQ(scene.Pictures(), Shown{"RG 60"});
}

TEST(Compositor, ShortDelaysPlayAsTenAndIdenticalNeighboursMerge) {
  Scene scene(1, 1);
  Scene::Control(scene.Frame(0, 0, 1, 1, "0"), 0, 0);
  Scene::Control(scene.Frame(0, 0, 1, 1, "0"), 0, 1);
  Scene::Control(scene.Frame(0, 0, 1, 1, "0"), 0, 7);
  Scene::Control(scene.Frame(0, 0, 1, 1, "1"), 0, 2);
  Scene::Control(scene.Frame(0, 0, 1, 1, "0"), 0, 3);
  // Paints nothing visible: the same picture again.
  Scene::Control(scene.Frame(0, 0, 1, 1, "3"), 0, 65535, 3);
  scene.Blocks();
  EXPECT_EQ(scene.Pictures(), (Shown{"R 27", "G 2", "R 65538"}));
}

TEST(Compositor, MergedTimesPassThirtyTwoBits) {
  Scene scene(1, 1);
  constexpr int kFrames = 32769;  // 32769 × 65535 hundredths > 2^31
  // Frames made outside the document, whose pixel limits would otherwise be checked against
  // every frame before, for each frame added.
  for (int i = 0; i < kFrames; ++i) {
    auto frame = std::make_unique<TGIFSubImage>(nullptr);
    frame->SetGeometry(0, 0, 1, 1);
    Scene::Control(*frame, 0, 65535);
    scene.image.Frames.Add(std::move(frame));
  }
  EXPECT_EQ(scene.Pictures(), Shown{"R " + std::to_string(std::int64_t{kFrames} * 65535)});
}

TEST(Compositor, LoopCountOfTheFirstLoopingBlockAnywhere) {
  Scene scene(1, 1);
  TGIFSubImage& frame = scene.Frame(0, 0, 1, 1, "0");
  Scene::Control(frame, 0, 0);
  Scene::Loop(frame, 5);
  Scene::Loop(frame, 0);
  Scene::Loop(scene.Blocks(), 7);
  EXPECT_EQ(TCompositor(scene.Document()).LoopCount(), 5);

  Scene trailing(1, 1);
  trailing.Frame(0, 0, 1, 1, "0");
  Scene::Loop(trailing.Blocks(), 0);
  EXPECT_EQ(TCompositor(trailing.Document()).LoopCount(), 0);

  Scene none(1, 1);
  none.Frame(0, 0, 1, 1, "0");
  EXPECT_EQ(TCompositor(none.Document()).LoopCount(), -1);
}

TEST(Compositor, AZeroByZeroScreenTakesTheFirstImageFramesSize) {
  Scene scene(0, 0);
  Scene::Control(scene.Blocks(), 0, 50);
  scene.Frame(1, 0, 2, 1, "01");
  scene.Frame(0, 0, 3, 3, "111111111");
  EXPECT_EQ(scene.Pictures(), (Shown{".R 10", "GG 10"}));
  EXPECT_EQ(TCompositor(scene.Document()).Width(), 2);

  Scene empty(0, 0);
  Scene::Loop(empty.Blocks(), 0);
  EXPECT_EQ(empty.Pictures(), Shown{});
}

TEST(Compositor, AScreenTooLargeToHoldFailsBeforeAllocating) {
  Scene scene(65535, 65535);
  scene.Frame(0, 0, 1, 1, "0");
  TCompositor compositor(scene.Document());
  TPicture picture;
  try {
    compositor.Next(picture);
    FAIL() << "no error";
  } catch (const GIFException& error) {
    EXPECT_STREQ(error.what(), "Image too large");
  }
  // Without an image frame nothing is shown and nothing allocated.
  Scene empty(65535, 65535);
  empty.Blocks();
  EXPECT_FALSE(TCompositor(empty.Document()).Next(picture));
}

// The canvas holds values one, two or four bytes wide as the document's colors need (here
// 129, 257 and 76800 colors); at each width every frame shows its own colors.
TEST(Compositor, EveryCanvasWidthShowsTheFramesOwnColors) {
  for (const int frames : {1, 2, 600}) {
    SCOPED_TRACE(frames);
    TGIFImage image;
    for (int k = 0; k < frames; ++k) {
      TGIFSubImage& frame = AddFrame(image, k % 64, k / 64, 1, 1);
      for (int i = 0; i < 128; ++i) frame.LocalColorMap().AddColor(static_cast<TColor>(k * 128 + i));
      frame.Pixels()[0] = static_cast<std::uint8_t>(k % 128);
    }
    image.Header.SetLogicalScreenWidth(64);
    image.Header.SetLogicalScreenHeight(16);
    TCompositor compositor(image);
    TPicture picture, last;
    while (compositor.Next(picture)) last = picture;
    ASSERT_EQ(last.Pixels.size(), 64u * 16);
    for (int k = 0; k < frames; ++k)
      EXPECT_EQ(last.Pixels[static_cast<std::size_t>(k / 64) * 64 + k % 64],
                CanvasColor(image.Frames[k].LocalColorMap().Entries() + 3 * (k % 128)));
  }
}

// Two-picture scenes: red, then the given pixel, each with its delay.
struct Animation : Scene {
  Animation(const std::string& second, int delay) : Scene(2, 1) {
    Control(Frame(0, 0, 2, 1, "00"), 0, 20);
    Control(Frame(1, 0, 1, 1, second), 0, delay);
  }
};

std::string Compare(Scene& a, Scene& b) {
  const TShowComparison result = CompareShows(a.Document(), b.Document());
  EXPECT_EQ(result.Same, result.Difference.empty());
  return result.Same ? "same" : result.Difference;
}

TEST(CompareShows, NamesTheFirstDifference) {
  Animation red("1", 30), blue("2", 30), slow("1", 50);
  EXPECT_EQ(Compare(red, blue), "picture 2 differs at pixel (1, 0): #00FF00 vs #0000FF");
  EXPECT_EQ(Compare(slow, red), "picture 2 is shown for 50 hundredths vs 30");
  Scene::Loop(slow.Blocks(), 0);
  EXPECT_EQ(Compare(red, slow), "picture 2 is shown for 30 hundredths vs 50");
  Animation looping("1", 50);
  Scene::Loop(looping.Blocks(), 0);
  EXPECT_EQ(Compare(looping, slow), "same");
  Animation once("1", 50);
  EXPECT_EQ(Compare(looping, once), "loop count 0 vs none");

  Scene taller(2, 2), still(2, 1);
  taller.Frame(0, 0, 2, 2, "0000");
  Scene::Control(still.Frame(0, 0, 2, 1, "00"), 0, 20);
  EXPECT_EQ(Compare(still, taller), "canvas 2 x 1 vs 2 x 2");
  EXPECT_EQ(Compare(still, red), "picture count 1 vs 2");

  Scene lower(2, 2);
  lower.Frame(0, 0, 2, 2, "0030");
  Scene::Control(lower.Frame(0, 1, 1, 1, "1"), 2, 0);
  EXPECT_EQ(Compare(taller, lower), "picture 1 differs at pixel (0, 1): #FF0000 vs #FFFFFF");
}

// Stills are compared row by row without compositing: a frame reaching past the screen is
// cut to it, its transparent pixels show the canvas, and the difference is named as the
// compositor names it; a screen too large fails as compositing does.
TEST(CompareShows, StillsCompareWhatTheScreenShows) {
  Scene clipped(3, 2), exact(3, 2), other(3, 2);
  Scene::Control(clipped.Frame(1, 0, 3, 3, "123312000"), 0, 0, 3);
  Scene::Control(exact.Frame(0, 0, 3, 2, "312331"), 0, 0, 3);
  Scene::Control(other.Frame(0, 0, 3, 2, "312301"), 0, 0, 3);
  EXPECT_EQ(Compare(clipped, exact), "same");
  EXPECT_EQ(Compare(clipped, other), "picture 1 differs at pixel (1, 1): transparent vs #FF0000");
  EXPECT_EQ(Compare(exact, other), "picture 1 differs at pixel (1, 1): transparent vs #FF0000");  // same area

  Scene huge(65535, 65535), alsoHuge(65535, 65535);
  huge.Frame(0, 0, 1, 1, "0");
  alsoHuge.Frame(0, 0, 1, 1, "0");
  try {
    Compare(huge, alsoHuge);
    FAIL() << "no error";
  } catch (const GIFException& error) {
    EXPECT_STREQ(error.what(), "Image too large");
  }
}

// Each step is compared only where either side changed: a frame, or the area the frame
// before disposes of; outside every frame the screen stays transparent.
TEST(CompareShows, FindsTheFirstDifferenceWhereverEitherSideChanged) {
  // Red, then one green pixel.
  const auto animate = [](Scene& scene, int disposal, int left, int top) {
    Scene::Control(scene.Frame(0, 0, 4, 4, std::string(16, '0')), disposal, 20);
    Scene::Control(scene.Frame(left, top, 1, 1, "1"), 0, 20);
  };
  Scene topLeft(4, 4), bottomRight(4, 4), cleared(4, 4);
  animate(topLeft, 0, 0, 0);
  animate(bottomRight, 0, 3, 3);
  animate(cleared, 2, 3, 3);
  EXPECT_EQ(Compare(topLeft, bottomRight), "picture 2 differs at pixel (0, 0): #00FF00 vs #FF0000");
  EXPECT_EQ(Compare(bottomRight, topLeft), "picture 2 differs at pixel (0, 0): #FF0000 vs #00FF00");
  EXPECT_EQ(Compare(bottomRight, cleared), "picture 2 differs at pixel (0, 0): #FF0000 vs transparent");

  Scene small(4, 4), large(4, 4);
  small.Frame(1, 1, 2, 2, "3333");
  Scene::Control(large.Frame(0, 0, 4, 4, "2222233223322222"), 0, 0, 2);
  EXPECT_EQ(Compare(small, large), "same");

  // A red pixel of the large frame where the small one does not reach: beside it in a row
  // it covers, and in a row it does not cover.
  Scene besideSmall(4, 4), belowSmall(4, 4);
  Scene::Control(besideSmall.Frame(0, 0, 4, 4, "2222233223302222"), 0, 0, 2);
  Scene::Control(belowSmall.Frame(0, 0, 4, 4, "2222233223322022"), 0, 0, 2);
  EXPECT_EQ(Compare(small, besideSmall), "picture 1 differs at pixel (3, 2): transparent vs #FF0000");
  EXPECT_EQ(Compare(belowSmall, small), "picture 1 differs at pixel (1, 3): #FF0000 vs transparent");
}

TEST(CompareShows, AStillPictureHasNoTimeOrLoopCountAndTransparentColorsDoNotCount) {
  Scene quick(2, 1), slow(2, 1);
  Scene::Control(quick.Frame(0, 0, 2, 1, "01"), 0, 0, 1);
  Scene::Control(slow.Frame(0, 0, 2, 1, "02"), 0, 300, 2);
  Scene::Loop(slow.Blocks(), 3);
  EXPECT_EQ(Compare(quick, slow), "same");

  // Once a second picture follows, the first one's time counts.
  Scene red(2, 1);
  Scene::Control(red.Frame(0, 0, 2, 1, "00"), 0, 300);
  Animation animation("1", 30);
  EXPECT_EQ(Compare(red, animation), "picture 1 is shown for 300 hundredths vs 20");

  Scene none(5, 5), alsoNone(1, 1);
  alsoNone.Blocks();
  EXPECT_EQ(Compare(none, alsoNone), "same");
  EXPECT_EQ(Compare(none, quick), "picture count 0 vs 1");
}

// At every tile side, areas that straddle tile edges and the canvas's ragged edge read back
// as written; writing only where tiles exist leaves the rest unpainted.
TEST(TiledCanvas, EveryTileSideReadsBackWhatWasWritten) {
  constexpr int kWidth = 200, kHeight = 140;
  const TCanvasArea areas[] = {{3, 5, 140, 9}, {60, 0, 70, 70}, {15, 15, 17, 17}, {100, 40, 200, 70}};
  for (int shift = kMinTileShift; shift <= kMaxTileShift; ++shift) {
    TTiledCanvas<std::uint16_t> canvas;
    canvas.Reset(kWidth, kHeight, shift);
    std::vector<std::uint16_t> expected(kWidth * kHeight, 0);
    std::uint16_t next = 1;
    for (const TCanvasArea& area : areas)
      canvas.Write(area, [&](int x, int y, std::uint16_t* pixels, int count) {
        for (int i = 0; i < count; ++i) pixels[i] = expected[y * kWidth + x + i] = next++;
      });
    canvas.WriteExisting({0, 0, kWidth, kHeight}, [&](int x, int y, std::uint16_t* pixels, int count) {
      for (int i = 0; i < count; ++i) pixels[i] = expected[y * kWidth + x + i] += 1;
    });
    std::vector<std::uint16_t> read(kWidth * kHeight, 0xFFFF);
    canvas.Read({0, 0, kWidth, kHeight}, [&](int x, int y, const std::uint16_t* pixels, int count) {
      std::copy_n(pixels, count, &read[y * kWidth + x]);
    });
    EXPECT_EQ(read, expected) << "tile side " << (1 << shift);
    EXPECT_EQ(read.back(), 0) << "a tile nothing was painted in stays unmade";
  }
}

}  // namespace
}  // namespace lumvane::test
