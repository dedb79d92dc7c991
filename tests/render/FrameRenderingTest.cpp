#include <gtest/gtest.h>

#include "base/Errors.h"
#include "gfx/Display.h"
#include "gfx/RowAccess.h"
#include "gif/GIFGraphicControlExtension.h"
#include "render/FrameRendering.h"
#include "support/Corpus.h"
#include "support/GifBytes.h"

namespace lumvane::test {
namespace {

bool MaskBit(const TBitmap& mask, int x, int y) { return mask.ScanLine(y)[x / 8] & (0x80 >> (x % 8)); }

TGIFGraphicControlExtension& MakeTransparent(TGIFSubImage& frame, std::uint8_t index) {
  auto control = std::make_unique<TGIFGraphicControlExtension>(frame);
  control->SetTransparent(true);
  control->SetTransparentIndex(index);
  TGIFGraphicControlExtension& added = *control;
  frame.Extensions().Add(std::move(control));
  return added;
}

// Renders every frame of the animated corpus, plain or dithered, and hands each to check.
template <class Check>
void ForEveryCorpusFrame(bool dithered, Check check) {
  for (const std::string& path : CorpusFiles("animated")) {
    Loaded loaded = LoadBytes(ReadFileBytes(path));
    ASSERT_EQ(loaded.Error, "") << path;
    TGIFImage& image = *loaded.Image;
    image.PaintFlags = dithered ? drawDithered : 0;
    for (int i = 0; i < image.Frames.Count(); ++i) {
      TGIFSubImage& frame = image.Frames[i];
      if (frame.IsEmpty()) continue;
      SCOPED_TRACE(path + " frame " + std::to_string(i));
      const TBitmap* bitmap = FrameBitmap(frame);
      ASSERT_NE(bitmap, nullptr);
      ASSERT_EQ(bitmap->Width(), frame.FrameWidth());
      ASSERT_EQ(bitmap->Height(), frame.FrameHeight());
      check(frame, *bitmap);
    }
  }
}

TEST(FrameRendering, PlainRenderingShowsTheFrameColorsAndMasksExactlyTheTransparentPixels) {
  LUMVANE_REQUIRE_CORPUS();
  ForEveryCorpusFrame(false, [](TGIFSubImage& frame, const TBitmap& bitmap) {
    TGIFColorMap& map = frame.EffectiveColorMap();
    const int t = frame.IsTransparent ? frame.ControlExtension->TransparentIndex() : -1;
    bool anyTransparent = false;
    int mismatches = 0;
    for (int y = 0; y < frame.FrameHeight(); ++y)
      for (int x = 0; x < frame.FrameWidth(); ++x) {
        const int index = frame.PixelAt(x, y);
        const TColor expected = index < map.Count() ? map.ColorAt(index) : 0;
        mismatches += bitmap.PixelColor(x, y) != expected;
        const bool transparent = index == t;
        anyTransparent |= transparent;
        if (frame.Mask) mismatches += MaskBit(*frame.Mask, x, y) != transparent;
      }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(frame.Mask != nullptr, anyTransparent);
  });
}

TEST(FrameRendering, DitheredRenderingUsesTheWebPaletteAndFillsTransparentPixels) {
  LUMVANE_REQUIRE_CORPUS();
  ForEveryCorpusFrame(true, [](TGIFSubImage& frame, const TBitmap& bitmap) {
    ASSERT_EQ(bitmap.PixelFormat(), TPixelFormat::pf8bit);
    ASSERT_TRUE(bitmap.Palette());
    ASSERT_GE(bitmap.Palette()->Count(), 216);
    const auto& entries = bitmap.Palette()->Entries();
    EXPECT_TRUE(std::equal(WebPalette()->Entries().begin(), WebPalette()->Entries().end(), entries.begin()));
    const int t = frame.IsTransparent ? frame.ControlExtension->TransparentIndex() : -1;
    int fill = -1;
    if (t >= 0) {
      const TColor color = frame.EffectiveColorMap().ColorAt(t);
      const auto level = [](int v) { return (v + 3) / 51; };
      fill = 36 * level(color & 0xFF) + 6 * level((color >> 8) & 0xFF) + level((color >> 16) & 0xFF);
    }
    int bad = 0;
    for (int y = 0; y < frame.FrameHeight(); ++y) {
      const std::uint8_t* row = bitmap.ScanLine(y);
      for (int x = 0; x < frame.FrameWidth(); ++x) {
        bad += row[x] >= 216;
        if (frame.PixelAt(x, y) == t) bad += row[x] != fill;
      }
    }
    EXPECT_EQ(bad, 0);
  });
}

TEST(FrameRendering, DitheredFramesShowThePlainColorsAndWarnOncePerFrame) {
  for (const bool dithered : {false, true}) {
    TGIFImage image;
    image.PaintFlags = dithered ? drawDithered : 0;
    TGIFSubImage& first = AddFrame(image, 0, 0, 1, 1);
    first.LocalColorMap().AddColor(0x0000FF);
    first.LocalColorMap().AddColor(0xFFFFFF);
    // No table of its own and none global: the document's palette is the first frame's.
    TGIFSubImage& frame = AddFrame(image, 0, 0, 4, 1);
    frame.Pixels()[1] = 1;
    frame.Pixels()[2] = frame.Pixels()[3] = 9;
    std::vector<std::string> warnings;
    image.WarningHandler = [&](const TPersistent*, int, const std::string& m) { warnings.push_back(m); };
    const TBitmap* bitmap = FrameBitmap(frame);
    ASSERT_NE(bitmap, nullptr) << dithered;
    EXPECT_EQ(bitmap->PixelColor(0, 0), 0x0000FFu);
    EXPECT_EQ(bitmap->PixelColor(1, 0), 0xFFFFFFu);
    EXPECT_EQ(bitmap->PixelColor(2, 0), 0u);  // beyond the table: black
    EXPECT_EQ(bitmap->PixelColor(3, 0), 0u);
    EXPECT_EQ(warnings, dithered ? std::vector<std::string>{"Invalid color index"} : std::vector<std::string>{});
  }
}

struct RenderingTest : ::testing::Test {
  TGIFImage image;
  void SetUp() override {
    for (TColor c : {0x000000u, 0xFFFFFFu, 0x0000FFu, 0x00FF00u}) image.Header.GlobalColorMap().AddColor(c);
  }
};

TEST_F(RenderingTest, MasksExistOnlyWithTransparentPixelsAndUseSixteenBitRows) {
  TGIFSubImage& none = AddFrame(image, 0, 0, 2, 2);
  MakeTransparent(none, 3);
  ASSERT_NE(FrameBitmap(none), nullptr);
  EXPECT_EQ(none.Mask, nullptr);

  TGIFSubImage& single = AddFrame(image, 0, 0, 1, 1);
  MakeTransparent(single, 0);
  FrameBitmap(single);
  ASSERT_NE(single.Mask, nullptr);
  EXPECT_EQ(single.Mask->Width(), 1);
  EXPECT_EQ(single.Mask->ScanLine(0)[0], 0x80);
  EXPECT_FALSE(single.MaskStale);
}

TEST_F(RenderingTest, DitheredTransparentWhiteFillsWithTheLastWebIndex) {
  image.PaintFlags = drawDithered;
  TGIFSubImage& frame = AddFrame(image, 0, 0, 3, 1);
  frame.Pixels()[0] = 1;  // white, transparent
  frame.Pixels()[1] = 2;
  frame.Pixels()[2] = 1;
  MakeTransparent(frame, 1);
  const TBitmap* bitmap = FrameBitmap(frame);
  EXPECT_EQ(bitmap->ScanLine(0)[0], 215);
  EXPECT_EQ(bitmap->ScanLine(0)[1], 180);  // pure red
  EXPECT_EQ(bitmap->ScanLine(0)[2], 215);
}

TEST_F(RenderingTest, DitheringFollowsTheFlagsAndTheDisplay) {
  image.PaintFlags = 0x060F;  // dithered, but only on a palette display
  DisplaySettings().BitsPerPixel = 24;
  EXPECT_FALSE(UseDithering(image));
  DisplaySettings().BitsPerPixel = 8;
  EXPECT_TRUE(UseDithering(image));
  image.PaintFlags = drawDitherOnPalette;
  EXPECT_FALSE(UseDithering(image));
  DisplaySettings().BitsPerPixel = 24;
  image.PaintFlags = drawDithered;
  EXPECT_TRUE(UseDithering(image));
  EXPECT_EQ(image.Palette(), WebPalette());
}

TEST_F(RenderingTest, FramesMapToTheirShareOfTheTarget) {
  image.Header.SetLogicalScreenWidth(20);
  image.Header.SetLogicalScreenHeight(20);
  TGIFSubImage& frame = AddFrame(image, 5, 5, 10, 10);
  const TRect mapped = MapToTarget(frame, TRect{0, 0, 40, 40});
  EXPECT_EQ(mapped.Left, 10);
  EXPECT_EQ(mapped.Top, 10);
  EXPECT_EQ(mapped.Right, 30);
  EXPECT_EQ(mapped.Bottom, 30);
}

TEST_F(RenderingTest, TiledPaintingRepeatsTheScreenOverTheTarget) {
  image.Header.SetLogicalScreenWidth(20);
  image.Header.SetLogicalScreenHeight(20);
  TGIFSubImage& frame = AddFrame(image, 0, 0, 1, 1);
  frame.Pixels()[0] = 2;  // one red pixel at the top left of every tile
  TBitmap target;
  target.SetPixelFormat(TPixelFormat::pf24bit);
  target.SetSize(50, 30);
  PaintFrame(frame, target.Canvas(), TRect{0, 0, 50, 30}, true, false);
  int red = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 50; ++x) red += target.PixelColor(x, y) == 0x0000FF;
  EXPECT_EQ(red, 6);
  EXPECT_EQ(target.PixelColor(40, 20), 0x0000FFu);
}

TEST_F(RenderingTest, TransparentPaintingLeavesMaskedPixelsAlone) {
  image.Header.SetLogicalScreenWidth(2);
  image.Header.SetLogicalScreenHeight(1);
  TGIFSubImage& frame = AddFrame(image, 0, 0, 2, 1);
  frame.Pixels()[0] = 2;
  frame.Pixels()[1] = 3;
  MakeTransparent(frame, 3);
  TBitmap target;
  target.SetPixelFormat(TPixelFormat::pf24bit);
  target.SetSize(4, 2);
  target.Canvas().BrushColor = 0x123456;
  target.Canvas().FillRect(TRect{0, 0, 4, 2});
  PaintFrame(frame, target.Canvas(), TRect{0, 0, 4, 2}, false, true);
  EXPECT_EQ(target.PixelColor(1, 1), 0x0000FFu);
  EXPECT_EQ(target.PixelColor(2, 0), 0x123456u);
  EXPECT_EQ(target.PixelColor(3, 1), 0x123456u);
}

TEST_F(RenderingTest, TheViewBitmapShowsTheFirstFrameOnTheScreen) {
  image.Header.SetLogicalScreenWidth(3);
  image.Header.SetLogicalScreenHeight(2);
  TGIFSubImage& frame = AddFrame(image, 1, 1, 2, 1);
  frame.Pixels()[0] = 2;
  frame.Pixels()[1] = 3;
  const TBitmap* view = ViewBitmap(image);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->Width(), 3);
  EXPECT_EQ(view->PixelColor(1, 1), 0x0000FFu);
  EXPECT_EQ(view->PixelColor(2, 1), 0x00FF00u);
  EXPECT_EQ(ViewBitmap(image), view);
  ReleaseViewBitmap(image);
  EXPECT_EQ(image.ViewBitmap, nullptr);
}

TEST_F(RenderingTest, BitmapsReceiveCopiesOfWhatFramesAndDocumentsRender) {
  image.Header.SetLogicalScreenWidth(2);
  image.Header.SetLogicalScreenHeight(1);
  TGIFSubImage& frame = AddFrame(image, 0, 0, 2, 1);
  frame.Pixels()[1] = 2;
  TBitmap fromFrame, fromDocument;
  AssignTo(frame, fromFrame);
  AssignTo(image, fromDocument);
  for (const TBitmap* bitmap : {&fromFrame, &fromDocument}) {
    EXPECT_EQ(bitmap->Width(), 2);
    EXPECT_EQ(bitmap->PixelColor(0, 0), 0u);
    EXPECT_EQ(bitmap->PixelColor(1, 0), 0x0000FFu);
  }
  EXPECT_NE(&fromFrame, frame.Bitmap.get());
}

TEST(ColorMapPalettes, ImportsAndExportKeepTheOrderAndSwapQuads) {
  TGIFImage image;
  TGIFColorMap& map = image.Header.GlobalColorMap();
  const std::uint8_t quads[] = {0x33, 0x22, 0x11, 0, 0xCC, 0xBB, 0xAA, 9};  // blue, green, red, reserved
  map.ImportQuadTable(quads, 2);
  ASSERT_EQ(map.Count(), 2);
  EXPECT_EQ(map.ColorAt(0), 0x332211u);
  EXPECT_EQ(map.ColorAt(1), 0xCCBBAAu);
  const TPaletteHandle exported = map.ExportSystemPalette();
  ASSERT_TRUE(exported);
  EXPECT_EQ((*exported)[1].Red, 0xAA);
  EXPECT_EQ((*exported)[1].Flags, 4);
  TGIFImage other;
  other.Header.GlobalColorMap().ImportSystemPalette(exported);
  EXPECT_EQ(other.Header.GlobalColorMap().ColorAt(1), 0xCCBBAAu);
  other.Header.GlobalColorMap().ImportSystemPalette(nullptr);
  EXPECT_EQ(other.Header.GlobalColorMap().Count(), 0);
  TBitmap bitmap;
  bitmap.SetPixelFormat(TPixelFormat::pf8bit);
  bitmap.SetPalette(exported);
  other.Header.GlobalColorMap().ImportBitmapColors(bitmap);
  EXPECT_EQ(other.Header.GlobalColorMap().ColorAt(0), 0x332211u);
  TGIFImage empty;
  EXPECT_EQ(empty.Header.GlobalColorMap().ExportSystemPalette(), nullptr);
}

TEST(Rendering, APaletteComesFromSomewhereOrTheQueryFails) {
  TGIFImage image;
  AddFrame(image, 0, 0, 1, 1);
  try {
    image.Palette();
    ADD_FAILURE();
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "No global or local color table defined");
  }
  image.Frames[0].LocalColorMap().AddColor(0x0000FF);
  ASSERT_TRUE(image.Palette());
  EXPECT_EQ((*image.Palette())[0].Red, 0xFF);
  EXPECT_EQ((*image.Palette())[0].Flags, 4);
}

TEST(DIBWriter, RefusesFormatsSizesAndRowsItCannotHold) {
  TBitmap bitmap;
  const auto errorOf = [](const std::function<void()>& action) -> std::string {
    try {
      action();
    } catch (const std::exception& e) {
      return e.what();
    }
    return "";
  };
  EXPECT_EQ(errorOf([&] { TDIBWriter(bitmap, TPixelFormat::pf1bit, 1, 1, nullptr); }), "Unsupported PixelFormat");
  EXPECT_EQ(errorOf([&] { TDIBWriter(bitmap, TPixelFormat::pf8bit, 0, 1, nullptr); }), "Invalid image dimensions");
  TDIBWriter writer(bitmap, TPixelFormat::pf24bit, 3, 2, nullptr);
  EXPECT_EQ(errorOf([&] { writer.RowPointer(2); }), "Scan line index out of range");
  std::uint8_t* top = writer.RowPointer(0);
  top[0] = 0x11;  // blue
  top[2] = 0x33;  // red
  writer.Commit();
  EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(bitmap.PixelColor(0, 0), 0x110033u);
}

}  // namespace
}  // namespace lumvane::test
