#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>

#include "color/ColorQuantizer.h"
#include "color/ColorReduction.h"

namespace lumvane::test {
namespace {

using TColorAt = std::function<TPaletteEntry(int x, int y)>;

std::unique_ptr<TBitmap> Picture(int width, int height, const TColorAt& color) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetSize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const TPaletteEntry c = color(x, y);
      std::uint8_t* pixel = bitmap->ScanLine(y) + 3 * x;
      pixel[0] = c.Blue, pixel[1] = c.Green, pixel[2] = c.Red;
    }
  return bitmap;
}

std::unique_ptr<TBitmap> Row(const std::vector<TPaletteEntry>& colors) {
  return Picture(static_cast<int>(colors.size()), 1, [&](int x, int) { return colors[x]; });
}

std::vector<TPaletteEntry> Quantize(const TBitmap& image, int maxColors, int colorBits) {
  TColorQuantizer quantizer(maxColors, colorBits);
  quantizer.QuantizeImage(image);
  return quantizer.CollectLeafColors();
}

const TPaletteEntry kBlack{0, 0, 0}, kWhite{255, 255, 255}, kRed{255, 0, 0}, kGreen{0, 255, 0},
    kBlue{0, 0, 255};

TEST(ColorQuantizer, LeavesComeInChildIndexOrderAndMergingReachesTheRoot) {
  const auto image = Row({kWhite, kRed, kGreen, kBlue});
  const TPaletteHandle palette = BuildQuantizedPalette(*image, 256, 8, false);
  ASSERT_EQ(palette->Count(), 256);
  EXPECT_EQ(std::vector(palette->Entries().begin(), palette->Entries().begin() + 5),
            (std::vector{kBlue, kGreen, kRed, kWhite, kBlack}));
  // One color (a maximum of 0 counts as 1) is the mean, truncated: 510 / 4 per channel.
  for (const int maxColors : {1, 0, -3})
    EXPECT_EQ(Quantize(*image, maxColors, 8), (std::vector{TPaletteEntry{127, 127, 127}})) << maxColors;
}

TEST(ColorQuantizer, MergesTheNewestNodeOfTheDeepestReducibleLevel) {
  // Two bits: (0 and 64) share a level-1 node made first, (128 and 192) one made later.
  const auto image = Row({{0, 0, 0}, {64, 0, 0}, {128, 0, 0}, {192, 0, 0}});
  EXPECT_EQ(Quantize(*image, 3, 2), (std::vector<TPaletteEntry>{{0, 0, 0}, {64, 0, 0}, {160, 0, 0}}));
}

TEST(ColorQuantizer, SumsOfManyBrightPixelsDoNotOverflow) {
  // 8.6 million pixels of 255 sum to more than 2^31.
  auto image = std::make_unique<TBitmap>();
  image->SetSize(4096, 2100);
  for (int x = 0; x < 4096; ++x) std::memcpy(image->ScanLine(0) + 3 * x, "\xff\x80\xff", 3);
  for (int y = 1; y < 2100; ++y) std::memcpy(image->ScanLine(y), image->ScanLine(0), image->RowBytes());
  const TPaletteHandle palette = BuildQuantizedPalette(*image, 2, 8, false);
  EXPECT_EQ(palette->Entries(), (std::vector<TPaletteEntry>{{255, 128, 255}, kBlack}));
}

TEST(ReduceBitmapColors, MonochromeTurnsWhiteWhereTheWeightedSumFirstExceeds32512) {
  // Gray: 256 v > 32512 from v = 128; green alone: 150 g > 32512 from g = 217. The middle
  // row is walked right to left.
  const auto image = Picture(256, 3, [](int x, int y) {
    const auto v = static_cast<std::uint8_t>(x);
    return y < 2 ? TPaletteEntry{v, v, v} : TPaletteEntry{0, v, 0};
  });
  const auto result = ReduceBitmapColors(*image, reduceMonochrome, ditherNearest, 0, nullptr);
  ASSERT_EQ(result->PixelFormat(), TPixelFormat::pf8bit);
  EXPECT_EQ(result->Palette()->Entries(), (std::vector<TPaletteEntry>{{0, 0, 0, 4}, {255, 255, 255, 4}}));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 256; ++x)
      ASSERT_EQ(result->ScanLine(y)[x], x >= (y < 2 ? 128 : 217) ? 1 : 0) << x << ", " << y;
}

TEST(ReduceBitmapColors, QuantizedPalettesHoldTwoToTheBitsColorsKeptWithin2To256) {
  const auto image = Picture(32, 32, [](int x, int y) {
    return TPaletteEntry{static_cast<std::uint8_t>(8 * x), static_cast<std::uint8_t>(8 * y),
                         static_cast<std::uint8_t>(4 * (x + y))};
  });
  for (const auto& [bits, count] : {std::pair{1, 2}, {8, 256}, {0, 2}, {-4, 2}, {9, 256}, {40, 256}}) {
    const auto result = ReduceBitmapColors(*image, reduceQuantize, ditherFloydSteinberg, bits, nullptr);
    EXPECT_EQ(result->Palette()->Count(), count) << bits;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) ASSERT_LT(result->ScanLine(y)[x], count) << bits;
  }
}

TEST(ReduceBitmapColors, QuantizingWithSystemColorsPutsTheImageColorsBetweenThem) {
  const std::vector<TPaletteEntry> colors{{200, 100, 50}, {10, 20, 30}, {40, 220, 240}};
  const auto result = ReduceBitmapColors(*Row(colors), reduceQuantizeWindows, ditherNearest, 0, nullptr);
  const TPaletteHandle palette = result->Palette();
  ASSERT_EQ(palette->Count(), 256);
  const TPalette& system = TPalette::SystemDefault();
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ((*palette)[i], system[i]);
    EXPECT_EQ((*palette)[246 + i], system[10 + i]);
  }
  EXPECT_EQ((*palette)[10], colors[1]);
  EXPECT_EQ((*palette)[11], colors[2]);
  EXPECT_EQ((*palette)[12], colors[0]);
  for (int i = 13; i < 246; ++i) ASSERT_EQ((*palette)[i], kBlack) << i;
  EXPECT_EQ(std::vector(result->ScanLine(0), result->ScanLine(0) + 3), (std::vector<std::uint8_t>{12, 10, 11}));
}

TEST(ReduceBitmapColors, LeavesTheSourceAloneAndReadsIndexedSourcesByTheirColors) {
  // Indexes 8 and 9 lie outside the palette: black.
  const TPaletteHandle palette = MakePalette({kBlack, kWhite, kRed, kGreen, kBlue, {255, 255, 0}, {0, 255, 255}, {128, 64, 0}});
  TBitmap source;
  source.SetPixelFormat(TPixelFormat::pf8bit);
  source.SetSize(7, 3);
  source.SetPalette(palette);
  for (int i = 0; i < 21; ++i) source.ScanLine(i / 7)[i % 7] = static_cast<std::uint8_t>(i % 10);
  const std::vector<std::uint8_t> pixels(source.ScanLine(0), source.ScanLine(0) + 3 * source.RowBytes());

  for (int method = reduceNone; method <= reduceCustomPalette; ++method) {
    const auto result = ReduceBitmapColors(source, TReductionMethod(method), ditherStucki, 4, palette);
    EXPECT_EQ(source.PixelFormat(), TPixelFormat::pf8bit) << method;
    EXPECT_EQ(source.Palette(), palette) << method;
    EXPECT_EQ(std::vector(source.ScanLine(0), source.ScanLine(0) + pixels.size()), pixels) << method;
    EXPECT_EQ(result->Width(), 7) << method;
  }
  const auto copy = ReduceBitmapColors(source, reduceNone, ditherNearest, 0, nullptr);
  const auto mapped = ReduceBitmapColors(source, reduceCustomPalette, ditherNearest, 0, palette);
  EXPECT_EQ(copy->PixelFormat(), TPixelFormat::pf24bit);
  for (int i = 0; i < 21; ++i) {
    EXPECT_EQ(copy->PixelColor(i % 7, i / 7), source.PixelColor(i % 7, i / 7)) << i;
    EXPECT_EQ(mapped->ScanLine(i / 7)[i % 7], i % 10 < 8 ? i % 10 : 0) << i;
  }
}

TEST(ReduceBitmapColors, UnknownChoicesMissingPalettesAndEmptySourcesGiveAnEmptyBitmap) {
  const auto image = Row({kRed, kBlue});
  EXPECT_TRUE(ReduceBitmapColors(*image, TReductionMethod(10), ditherNearest, 8, nullptr)->Empty());
  EXPECT_TRUE(ReduceBitmapColors(*image, reduceNetscape, TDitherKind(7), 8, nullptr)->Empty());
  EXPECT_TRUE(ReduceBitmapColors(*image, reduceCustomPalette, ditherNearest, 8, MakePalette({}))->Empty());
  EXPECT_TRUE(ReduceBitmapColors(*image, reduceCustomPalette, ditherNearest, 8, nullptr)->Empty());
  const TBitmap empty;
  for (const TReductionMethod method : {reduceNone, reduceMonochrome, reduceQuantize})
    EXPECT_TRUE(ReduceBitmapColors(empty, method, ditherBurkes, 8, nullptr)->Empty()) << int(method);
}

TEST(ReduceBitmapColors, DiffusionOntoTheWebPaletteKeepsTheLocalMeanColor) {
  // Colors between the web levels (51 apart); every 8 × 8 block of the result averages out
  // within 8 of the same block of the source, which plain nearest mapping misses.
  const auto image = Picture(64, 32, [](int x, int y) {
    return TPaletteEntry{static_cast<std::uint8_t>(20 + 3 * x), static_cast<std::uint8_t>(90 + 2 * y),
                         static_cast<std::uint8_t>(140 - x - y)};
  });
  for (int kind = ditherFloydSteinberg; kind <= ditherBurkes; ++kind) {
    const auto result = ReduceBitmapColors(*image, reduceNetscape, TDitherKind(kind), 0, nullptr);
    ASSERT_EQ(result->Palette()->Count(), 216);
    for (int by = 0; by < 32; by += 8)
      for (int bx = 0; bx < 64; bx += 8) {
        int difference[3] = {};
        for (int y = by; y < by + 8; ++y)
          for (int x = bx; x < bx + 8; ++x) {
            ASSERT_LT(result->ScanLine(y)[x], 216);
            const TColor want = image->PixelColor(x, y), got = result->PixelColor(x, y);
            for (int c = 0; c < 3; ++c) difference[c] += int(got >> 8 * c & 255) - int(want >> 8 * c & 255);
          }
        for (int c = 0; c < 3; ++c)
          EXPECT_LE(std::abs(difference[c]) / 64, 8) << "kind " << kind << " block " << bx << ", " << by;
      }
  }
}

}  // namespace
}  // namespace lumvane::test
