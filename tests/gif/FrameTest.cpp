#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "base/Errors.h"
#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFTextExtensions.h"
#include "support/GifBytes.h"

namespace lumvane::test {
namespace {

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const GIFException& e) {
    return e.what();
  }
  return "";
}

TEST(Frame, PixelAccessIsRowMajorAndChecked) {
  TGIFImage image;
  TGIFSubImage& frame = AddFrame(image, 0, 0, 3, 2);
  EXPECT_EQ(frame.PixelCount(), 6);
  EXPECT_EQ(frame.RowAt(1), frame.Pixels() + 3);
  frame.RowAt(1)[2] = 9;
  EXPECT_EQ(frame.PixelAt(2, 1), 9);
  EXPECT_EQ(ErrorOf([&] { frame.PixelAt(3, 0); }), "Invalid pixel coordinates");
  EXPECT_EQ(ErrorOf([&] { frame.RowAt(2); }), "Invalid pixel coordinates");
  EXPECT_EQ(ErrorOf([&] { frame.RowAt(-1); }), "Invalid pixel coordinates");

  TGIFSubImage& empty = AddFrame(image, 0, 0, 0, 0);
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_EQ(ErrorOf([&] { empty.EnsurePixels(); }), "Image is empty");
}

TEST(Frame, ChangingTheSizeGivesAZeroFilledBuffer) {
  TGIFImage image;
  TGIFSubImage& frame = AddFrame(image, 0, 0, 10, 10);
  std::fill(frame.Pixels(), frame.Pixels() + 100, 3);
  frame.SetFrameWidth(20);
  ASSERT_EQ(frame.PixelCount(), 200);
  EXPECT_TRUE(std::all_of(frame.Pixels(), frame.Pixels() + 200, [](std::uint8_t p) { return p == 0; }));
  // Moving keeps the pixels.
  frame.Pixels()[0] = 5;
  frame.SetFrameLeft(1);
  EXPECT_EQ(frame.PixelAt(0, 0), 5);
}

TEST(Frame, PlacingAFrameBeyondTheScreenGrowsItWithWarnings) {
  TGIFImage image;
  std::vector<std::string> warnings;
  image.WarningHandler = [&](const TPersistent*, int, const std::string& m) { warnings.push_back(m); };
  image.Header.SetLogicalScreenWidth(50);
  image.Header.SetLogicalScreenHeight(50);
  AddFrame(image, 0, 0, 1, 1).SetGeometry(10, 0, 100, 50);
  EXPECT_EQ(warnings, (std::vector<std::string>{"Image width too small for contained frames",
                                                "Image exceeds Logical Screen size"}));
  EXPECT_EQ(image.Width(), 110);
  EXPECT_EQ(image.Height(), 50);

  TGIFImage fresh;
  fresh.WarningHandler = image.WarningHandler;
  warnings.clear();
  AddFrame(fresh, 10, 0, 100, 50);
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(fresh.Width(), 110);
  EXPECT_EQ(fresh.Height(), 50);
}

TEST(Frame, ScreenSizeSettersRefuseToCutFrames) {
  TGIFImage image;
  AddFrame(image, 5, 0, 10, 4);
  image.SetWidth(15);
  EXPECT_EQ(ErrorOf([&] { image.SetWidth(14); }), "Image width too small for contained frames");
  EXPECT_EQ(ErrorOf([&] { image.SetHeight(3); }), "Image height too small for contained frames");
  EXPECT_EQ(image.Width(), 15);
}

TEST(Frame, VersionNeededRisesWithExtensionsAndSortedTables) {
  TGIFImage image;
  TGIFSubImage& frame = AddFrame(image, 0, 0, 1, 1);
  frame.LocalColorMap().AddColor(1);
  EXPECT_EQ(frame.RequiredVersion(), Version87a);
  frame.LocalColorMap().SetSorted(true);
  EXPECT_EQ(frame.RequiredVersion(), Version89a);
  frame.LocalColorMap().SetSorted(false);
  frame.Extensions().Add(std::make_unique<TGIFCommentExtension>(frame));
  EXPECT_EQ(frame.RequiredVersion(), Version89a);
  EXPECT_EQ(image.Version(), Version89a);
}

TEST(Frame, InterlaceSurvivesSavingOnlyWithoutALocalTable) {
  // 1 × 3 interlaced frame, rows 0, 2, 1 sent as 0, 1, 2.
  const Bytes codes = PackCodes({{4, 3}, {0, 3}, {1, 3}, {2, 3}, {5, 3}});
  const Bytes bytes = ScreenHeader(1, 3, 0x81) + ImageDescriptor(0, 0, 1, 3, 0x40) + ImageData(2, codes) + Bytes{0x3B};
  const Loaded loaded = LoadBytes(bytes);
  ASSERT_EQ(loaded.Error, "");
  TGIFSubImage& frame = loaded.Image->Frames[0];
  EXPECT_EQ(Bytes(frame.Pixels(), frame.Pixels() + 3), (Bytes{0, 2, 1}));

  const Bytes saved = SaveBytes(*loaded.Image);
  EXPECT_EQ(saved[13 + 12 + 9], 0x40);
  const Loaded again = LoadBytes(saved);
  EXPECT_EQ(Bytes(again.Image->Frames[0].Pixels(), again.Image->Frames[0].Pixels() + 3), (Bytes{0, 2, 1}));

  frame.LocalColorMap().AddColor(0);
  frame.LocalColorMap().AddColor(0xFFFFFF);
  frame.LocalColorMap().AddColor(0x00FF00);
  const Bytes withTable = SaveBytes(*loaded.Image);
  EXPECT_EQ(withTable[13 + 12 + 9], 0x81);
  const Loaded plain = LoadBytes(withTable);
  EXPECT_FALSE(plain.Image->Frames[0].IsInterlaced());
  EXPECT_EQ(Bytes(plain.Image->Frames[0].Pixels(), plain.Image->Frames[0].Pixels() + 3), (Bytes{0, 2, 1}));
}

TEST(Frame, PixelsTheDataDoesNotReachKeepTheTransparentIndex) {
  const Bytes bytes = ScreenHeader(2, 2, 0x82) + ControlBlock(0x01, 0, 6) + ImageDescriptor(0, 0, 2, 2) +
                      ImageData(3, PackCodes({{8, 4}, {3, 4}, {9, 4}})) + Bytes{0x3B};
  const Loaded loaded = LoadBytes(bytes);
  ASSERT_EQ(loaded.Error, "");
  const TGIFSubImage& frame = loaded.Image->Frames[0];
  EXPECT_TRUE(frame.IsTransparent);
  EXPECT_EQ(Bytes(frame.Pixels(), frame.Pixels() + 4), (Bytes{3, 6, 6, 6}));
}

TEST(Frame, AZeroSizedFrameTakesTheScreenSize) {
  const Bytes bytes = ScreenHeader(3, 2, 0x80) + ImageDescriptor(1, 0, 0, 5) +
                      ImageData(2, PackCodes({{4, 3}, {1, 3}, {5, 3}})) + Bytes{0x3B};
  const Loaded loaded = LoadBytes(bytes);
  ASSERT_EQ(loaded.Error, "");
  EXPECT_EQ(loaded.Warnings, (std::vector<std::string>{"Image exceeds Logical Screen size",
                                                       "Image data ends before the last pixel"}));
  const TGIFSubImage& frame = loaded.Image->Frames[0];
  EXPECT_EQ(frame.FrameLeft(), 1);
  EXPECT_EQ(frame.FrameWidth(), 3);
  EXPECT_EQ(frame.FrameHeight(), 2);
}

TEST(Frame, AFrameMovedPastTheLargestScreenMakesTheScreenAsLargeAsItCanBe) {
  TGIFImage image;
  TGIFSubImage& frame = AddFrame(image, 0, 0, 1000, 1);
  frame.SetFrameLeft(65000);
  EXPECT_EQ(image.Width(), 65535);  // not 66000 wrapped around to 464
  EXPECT_EQ(image.Height(), 1);
}

// A frame's image data is coded once when it is measured and then saved unchanged; any
// change in between (pixels, interlacing, encoder) must be coded again.
TEST(Frame, AFrameChangedAfterItWasMeasuredIsCodedAgain) {
  const std::vector<std::function<void(TGIFImage&)>> changes = {
      [](TGIFImage&) {},
      [](TGIFImage& image) { image.Frames[0].Pixels()[37] ^= 1; },
      [](TGIFImage& image) { image.Frames[0].Descriptor[9] |= 0x40; },
      [](TGIFImage& image) { image.EncoderKind = encodeRLE; },
  };
  for (std::size_t c = 0; c < changes.size(); ++c) {
    TGIFImage image;
    for (int i = 0; i < 4; ++i) image.Header.GlobalColorMap().AddColor(0x404040u * i);
    TGIFSubImage& frame = AddFrame(image, 0, 0, 12, 9);
    for (int i = 0; i < 108; ++i) frame.Pixels()[i] = static_cast<std::uint8_t>(i * 5 / 7 % 4);
    TMemoryStream measured;
    frame.EncodePixels(measured);
    changes[c](image);
    TGIFImage fresh;
    fresh.EncoderKind = image.EncoderKind;
    fresh.CopyFrom(&image);
    EXPECT_EQ(SaveBytes(image), SaveBytes(fresh)) << "change " << c;
  }
}

TEST(Frame, DeclaredSizesBeyondTheLimitsAreRejectedBeforeAllocation) {
  // 61496 × 32564 pixels declared by a file of a few dozen bytes.
  const Bytes huge = ScreenHeader(100, 100) + ImageDescriptor(0, 0, 61496, 32564) +
                     ImageData(2, PackCodes({{4, 3}, {5, 3}})) + Bytes{0x3B};
  EXPECT_EQ(LoadBytes(huge).Error, "Image too large");

  // Each frame within the frame limit, but together more than the document may hold: the
  // descriptors fail the file before the first frame is allocated.
  Bytes many = ScreenHeader(16384, 16384);
  for (int i = 0; i < 9; ++i) many = many + ImageDescriptor(0, 0, 16384, 16384) + ImageData(2, PackCodes({{5, 3}}));
  const Loaded loaded = LoadBytes(many);
  EXPECT_EQ(loaded.Error, "Image too large");
  EXPECT_EQ(loaded.Image->Frames.Count(), 0);

  // Growing, moving or copying a frame of the full document fails the same way, before any
  // change: the frame keeps its geometry and pixels.
  TGIFImage full;
  for (int i = 0; i < 8; ++i) AddFrame(full, 0, 0, 16384, 16384);
  TGIFSubImage& first = full.Frames[0];
  EXPECT_EQ(ErrorOf([&] { first.SetFrameWidth(16385); }), "Image too large");
  EXPECT_EQ(ErrorOf([&] { first.SetFrameHeight(70000); }), "Image too large");
  EXPECT_EQ(ErrorOf([&] { first.SetFrameLeft(-1); }), "Invalid image dimensions");
  EXPECT_EQ(first.FrameRect(), (TRect{0, 0, 16384, 16384}));
  EXPECT_EQ(first.PixelCount(), std::int64_t{16384} * 16384);
  TGIFSubImage copy(&full);
  EXPECT_EQ(ErrorOf([&] { copy.CopyFrom(first); }), "Image too large");
  EXPECT_EQ(copy.FrameWidth(), 0);
  EXPECT_TRUE(copy.IsEmpty());

  TGIFImage image;
  EXPECT_EQ(ErrorOf([&] { AddFrame(image, 0, 0, 65535, 65535); }), "Image too large");
}

TEST(Frame, AFileOfFewBytesHoldsAtMost2To26PixelsTogether) {
  // Two frames of 8192 × 4096 fill the limit of a small file; one row more is too much,
  // whichever frame declares it.
  const auto file = [](int firstHeight, int secondHeight) {
    return ScreenHeader(8192, 8192) + ImageDescriptor(0, 0, 8192, firstHeight) + ImageData(2, PackCodes({{5, 3}})) +
           ImageDescriptor(0, 0, 8192, secondHeight) + ImageData(2, PackCodes({{5, 3}})) + Bytes{0x3B};
  };
  EXPECT_EQ(LoadBytes(file(4096, 4096)).Error, "");
  EXPECT_EQ(LoadBytes(file(4097, 4096)).Error, "Image too large");

  // The frames are counted before the first is allocated also behind a plain text
  // extension whose size byte says 0: the reader takes its twelve header bytes anyway.
  const Bytes text = Bytes{0x21, 0x01, 0x00} + Bytes(12, 1) + Bytes{0x00};
  const Loaded behindText =
      LoadBytes(ScreenHeader(8192, 8192) + text + ImageDescriptor(0, 0, 8192, 4097) + ImageData(2, PackCodes({{5, 3}})) +
                ImageDescriptor(0, 0, 8192, 4096) + ImageData(2, PackCodes({{5, 3}})) + Bytes{0x3B});
  EXPECT_EQ(behindText.Error, "Image too large");
  EXPECT_EQ(behindText.Image->Frames.Count(), 0);
  EXPECT_EQ(LoadBytes(file(4096, 4097)).Error, "Image too large");
}

}  // namespace
}  // namespace lumvane::test
