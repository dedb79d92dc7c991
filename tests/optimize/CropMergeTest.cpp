#include <gtest/gtest.h>

#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFTextExtensions.h"
#include "support/GifBytes.h"

namespace lumvane::test {
namespace {

Bytes PixelsOf(const TGIFSubImage& frame) { return Bytes(frame.Pixels(), frame.Pixels() + frame.PixelCount()); }

TGIFGraphicControlExtension& Control(TGIFSubImage& frame, std::uint8_t disposal = 0) {
  auto control = std::make_unique<TGIFGraphicControlExtension>(frame);
  control->SetDisposal(disposal);
  TGIFGraphicControlExtension& added = *control;
  frame.Extensions().Add(std::move(control));
  return added;
}

void MakeTransparent(TGIFSubImage& frame, std::uint8_t index, std::uint8_t disposal = 0) {
  TGIFGraphicControlExtension& control = frame.ControlExtension ? *frame.ControlExtension : Control(frame, disposal);
  control.SetTransparent(true);
  control.SetTransparentIndex(index);
}

TGIFImage& WithGrayGlobalMap(TGIFImage& image, int colors) {
  for (int i = 0; i < colors; ++i) image.Header.GlobalColorMap().AddColor(0x010101u * i);
  return image;
}

TEST(Crop, ShrinksToTheVisiblePixelsAndMovesTheFrame) {
  TGIFImage image;
  WithGrayGlobalMap(image, 4);
  TGIFSubImage& frame = AddFrame(image, 5, 5, 10, 10);
  std::fill(frame.Pixels(), frame.Pixels() + 100, 3);
  MakeTransparent(frame, 3);
  for (int y = 7; y <= 8; ++y)
    for (int x = 2; x <= 4; ++x) frame.RowAt(y)[x] = 1;
  frame.RowAt(8)[3] = 2;
  frame.CropToContent();
  EXPECT_EQ(frame.FrameLeft(), 7);
  EXPECT_EQ(frame.FrameTop(), 12);
  EXPECT_EQ(frame.FrameWidth(), 3);
  EXPECT_EQ(frame.FrameHeight(), 2);
  EXPECT_EQ(PixelsOf(frame), (Bytes{1, 1, 1, 1, 2, 1}));
}

// The box is found eight pixels at a time where rows are clear: every width around a
// multiple of eight, with the visible pixels at either edge or inside.
TEST(Crop, FindsTheBoxAtEveryEdgeOfEightPixelStretches) {
  struct TVisible { int X1, Y1, X2, Y2; };
  for (const int width : {1, 7, 8, 9, 16, 17, 33}) {
    const int height = 5;
    for (const TVisible v : {TVisible{0, 0, 0, 0}, {width - 1, 4, width - 1, 4}, {width / 2, 2, width - 1, 3},
                             {0, 1, width / 3, 4}, {width - 1, 0, 0, 4}}) {
      TGIFImage image;
      WithGrayGlobalMap(image, 4);
      TGIFSubImage& frame = AddFrame(image, 0, 0, width, height);
      std::fill(frame.Pixels(), frame.Pixels() + width * height, 2);
      MakeTransparent(frame, 2);
      frame.RowAt(v.Y1)[v.X1] = 1;
      frame.RowAt(v.Y2)[v.X2] = 3;
      frame.CropToContent();
      const std::string where = std::to_string(width) + " wide, " + std::to_string(v.X1) + "," +
                                std::to_string(v.Y1) + " and " + std::to_string(v.X2) + "," + std::to_string(v.Y2);
      EXPECT_EQ(frame.FrameLeft(), std::min(v.X1, v.X2)) << where;
      EXPECT_EQ(frame.FrameTop(), std::min(v.Y1, v.Y2)) << where;
      EXPECT_EQ(frame.FrameWidth(), std::abs(v.X2 - v.X1) + 1) << where;
      EXPECT_EQ(frame.FrameHeight(), std::abs(v.Y2 - v.Y1) + 1) << where;
    }
  }
}

// A frame that clears its area afterwards keeps its size when a frame follows; the one frame
// of a still shows nothing after it and is cropped.
TEST(Crop, AClearingFrameIsCroppedOnlyWhenItIsTheStillsOneFrame) {
  for (const int frames : {1, 2}) {
    TGIFImage image;
    WithGrayGlobalMap(image, 4);
    for (int f = 0; f < frames; ++f) {
      TGIFSubImage& frame = AddFrame(image, 0, 0, 8, 8);
      std::fill(frame.Pixels(), frame.Pixels() + 64, 3);
      MakeTransparent(frame, 3, DisposalRestoreBackground);
      frame.RowAt(4)[4] = static_cast<std::uint8_t>(1 + f);
      frame.ControlExtension->SetDelay(10);
    }
    image.OptimizeDocument(optCropFrames, reduceNone, ditherNearest, 8);
    EXPECT_EQ(image.Frames[0].FrameWidth(), frames == 1 ? 1 : 8) << frames << " frame(s)";
  }
}

TEST(Crop, LeavesOpaqueFramesAndFramesThatWouldWrapAlone) {
  TGIFImage image;
  WithGrayGlobalMap(image, 4);
  TGIFSubImage& opaque = AddFrame(image, 0, 0, 4, 4);  // all pixels 0, not transparent
  opaque.CropToContent();
  EXPECT_EQ(opaque.FrameWidth(), 4);

  TGIFSubImage& far = AddFrame(image, 65530, 0, 10, 1);
  MakeTransparent(far, 0);
  far.Pixels()[8] = 1;
  far.CropToContent();
  EXPECT_EQ(far.FrameLeft(), 65530);
  EXPECT_EQ(far.FrameWidth(), 10);
}

TEST(Crop, AFrameWithoutVisiblePixelsIsClearedOrKeptAsOnePixel) {
  TGIFImage image;
  WithGrayGlobalMap(image, 4);
  TGIFSubImage& cleared = AddFrame(image, 2, 3, 4, 4);
  MakeTransparent(cleared, 0);
  cleared.Extensions().Add(std::make_unique<TGIFCommentExtension>(cleared));
  cleared.CropToContent();
  EXPECT_TRUE(cleared.IsEmpty());
  EXPECT_EQ(cleared.Extensions().Count(), 0);
  EXPECT_FALSE(cleared.IsTransparent);

  TGIFSubImage& kept = AddFrame(image, 2, 3, 4, 4);
  MakeTransparent(kept, 0);
  kept.CropToContent(true);
  EXPECT_EQ(kept.FrameLeft(), 2);
  EXPECT_EQ(kept.FrameTop(), 3);
  EXPECT_EQ(PixelsOf(kept), Bytes{0});
  EXPECT_TRUE(kept.IsTransparent);
}

struct MergeTest : ::testing::Test {
  TGIFImage image;
  TGIFSubImage* below = nullptr;
  TGIFSubImage* frame = nullptr;
  void SetUp() override {
    WithGrayGlobalMap(image, 4);
    below = &AddFrame(image, 0, 0, 4, 1);
    frame = &AddFrame(image, 1, 0, 3, 1);
    std::copy_n(Bytes{1, 2, 3, 1}.data(), 4, below->Pixels());
    std::copy_n(Bytes{2, 0, 1}.data(), 3, frame->Pixels());  // repeats at x = 1 and x = 3
  }
};

TEST_F(MergeTest, RepeatedPixelsBecomeTransparentThroughANewGlobalEntry) {
  frame->MergeWithPrevious(below);
  ASSERT_TRUE(frame->IsTransparent);
  EXPECT_EQ(frame->ControlExtension->TransparentIndex(), 4);
  EXPECT_EQ(image.Header.GlobalColorMap().Count(), 5);
  EXPECT_EQ(image.Header.GlobalColorMap().ColorAt(4), 0u);
  EXPECT_EQ(PixelsOf(*frame), (Bytes{4, 0, 4}));
}

TEST_F(MergeTest, AnotherFramesTransparentIndexIsBorrowedOnlyWhenUnused) {
  TGIFSubImage& other = AddFrame(image, 0, 0, 1, 1);
  MakeTransparent(other, 3);
  frame->MergeWithPrevious(below);
  EXPECT_EQ(frame->ControlExtension->TransparentIndex(), 3);
  EXPECT_EQ(image.Header.GlobalColorMap().Count(), 4);

  // Index 0 is a real color of this frame: borrowing it would hide that pixel.
  TGIFImage second;
  WithGrayGlobalMap(second, 4);
  TGIFSubImage& p = AddFrame(second, 0, 0, 2, 1);
  TGIFSubImage& f = AddFrame(second, 0, 0, 2, 1);
  MakeTransparent(AddFrame(second, 0, 0, 1, 1), 0);
  std::copy_n(Bytes{2, 3}.data(), 2, p.Pixels());
  std::copy_n(Bytes{2, 0}.data(), 2, f.Pixels());
  f.MergeWithPrevious(&p);
  EXPECT_EQ(f.ControlExtension->TransparentIndex(), 4);
  EXPECT_EQ(PixelsOf(f), (Bytes{4, 0}));
}

TEST_F(MergeTest, LocalMapsGetBlackAppendedAndEqualColorsAcrossMapsRepeat) {
  for (TColor c : {0x030303u, 0x020202u, 0x990000u}) frame->LocalColorMap().AddColor(c);
  // Local entry 1 has the global entry 2's color, local 0 the global 3's.
  std::copy_n(Bytes{1, 2, 0}.data(), 3, frame->Pixels());
  frame->MergeWithPrevious(below);
  EXPECT_EQ(frame->LocalColorMap().Count(), 4);
  EXPECT_EQ(frame->ControlExtension->TransparentIndex(), 3);
  EXPECT_EQ(PixelsOf(*frame), (Bytes{3, 2, 0}));
  EXPECT_EQ(image.Header.GlobalColorMap().Count(), 4);
}

TEST_F(MergeTest, NothingChangesWhenTheFrameBelowIsClearedOrSeeThrough) {
  for (std::uint8_t disposal : {2, 3, 4}) {
    TGIFImage local;
    WithGrayGlobalMap(local, 4);
    TGIFSubImage& p = AddFrame(local, 0, 0, 2, 1);
    TGIFSubImage& f = AddFrame(local, 0, 0, 2, 1);
    Control(p, disposal);
    f.MergeWithPrevious(&p);
    EXPECT_FALSE(f.IsTransparent) << "disposal " << int{disposal};
  }
  // Where the frame below is transparent, nothing is repeated.
  MakeTransparent(*below, 2);
  std::copy_n(Bytes{2, 0, 2}.data(), 3, frame->Pixels());
  below->Pixels()[3] = 2;
  frame->MergeWithPrevious(below);
  EXPECT_FALSE(frame->IsTransparent);
  EXPECT_EQ(PixelsOf(*frame), (Bytes{2, 0, 2}));
}

TEST_F(MergeTest, NoRoomNoOverlapOrPixelsBeyondTheMapLeaveTheFrameAlone) {
  for (int i = 4; i < 256; ++i) image.Header.GlobalColorMap().AddColor(0x123456);
  frame->MergeWithPrevious(below);
  EXPECT_FALSE(frame->IsTransparent);

  TGIFImage apart;
  WithGrayGlobalMap(apart, 4);
  TGIFSubImage& p = AddFrame(apart, 0, 0, 2, 1);
  TGIFSubImage& f = AddFrame(apart, 2, 0, 2, 1);
  f.MergeWithPrevious(&p);
  EXPECT_FALSE(f.IsTransparent);

  TGIFImage damaged;
  WithGrayGlobalMap(damaged, 4);
  TGIFSubImage& q = AddFrame(damaged, 0, 0, 2, 1);
  TGIFSubImage& g = AddFrame(damaged, 0, 0, 2, 1);
  g.Pixels()[1] = 4;  // beyond the table: a new transparent entry 4 would hide it
  g.MergeWithPrevious(&q);
  EXPECT_FALSE(g.IsTransparent);
}

}  // namespace
}  // namespace lumvane::test
