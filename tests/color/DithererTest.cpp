#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "color/Ditherers.h"

namespace lumvane::test {
namespace {

using Grid = std::vector<int>;

// The caller's loop over a gray image: per row, while the column is inside, map the pixel at
// the column and store its index there; then the next line.
Grid Dither(TDitherEngine& ditherer, const Grid& grays, int width) {
  Grid indexes(grays.size(), -1);
  const int height = static_cast<int>(grays.size()) / width;
  for (int y = 0; y < height; ++y) {
    while (ditherer.Column() >= 0 && ditherer.Column() < width) {
      const int at = y * width + ditherer.Column();
      const auto gray = static_cast<std::uint8_t>(grays[at]);
      std::uint8_t r, g, b;
      indexes[at] = ditherer.DitherPixel(gray, gray, gray, r, g, b);
    }
    ditherer.AdvanceLine();
  }
  return indexes;
}

Grid Dither(TDitherKind kind, TColorLookup& lookup, const Grid& grays, int width) {
  return Dither(*CreateDitherer(kind, width, lookup), grays, width);
}

// Answers every color with itself, so it leaves no error, and with its red value as the
// index, so the indexes show the corrected values. Only the seed gray is answered with
// another gray: the seed pixel is the one source of error in the image.
class TSeedLookup : public TColorLookup {
public:
  TSeedLookup(int seed, int answer) : TColorLookup(256), Seed(seed), Answer(answer) {}
  std::uint8_t MapColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                        std::uint8_t& outRed, std::uint8_t& outGreen,
                        std::uint8_t& outBlue) override {
    outRed = Chosen(red);
    outGreen = Chosen(green);
    outBlue = Chosen(blue);
    return red;
  }

private:
  std::uint8_t Chosen(std::uint8_t value) const {
    return static_cast<std::uint8_t>(value == Seed ? Answer : value);
  }
  int Seed, Answer;
};

// Passes every request on to another lookup and notes the red value asked for.
class TRecordingLookup : public TColorLookup {
public:
  explicit TRecordingLookup(TColorLookup& inner) : TColorLookup(inner.ColorCount()), Inner(inner) {}
  std::uint8_t MapColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                        std::uint8_t& outRed, std::uint8_t& outGreen,
                        std::uint8_t& outBlue) override {
    Requests.push_back(red);
    return Inner.MapColor(red, green, blue, outRed, outGreen, outBlue);
  }
  Grid Requests;

private:
  TColorLookup& Inner;
};

constexpr int kBase = 128;
constexpr int S = 1000;  // marks the seed pixel in the expected grids

// Dithers an image of gray 128 holding one seed pixel (at the S of `expected`) through a
// seed lookup, and compares what each pixel asked for, less 128, with `expected`.
void ExpectSpread(TDitherKind kind, int seed, int answer, int width, const Grid& expected) {
  Grid grays(expected.size(), kBase);
  const auto at = std::ranges::find(expected, S) - expected.begin();
  grays[at] = seed;
  TSeedLookup lookup(seed, answer);
  Grid deltas = Dither(kind, lookup, grays, width);
  for (int& delta : deltas) delta -= kBase;
  Grid wanted = expected;
  wanted[at] = seed - kBase;  // nothing reaches the seed pixel itself
  EXPECT_EQ(deltas, wanted) << "kind " << int(kind) << ", seed error " << seed - answer;
}

// Seed errors equal to the divisor: every pixel reached shows its weight exactly. The
// seed stands in row 0 (left to right), then in row 1 (right to left: "ahead" is leftwards).
TEST(ErrorDiffusion, EachKernelPutsItsWeightsAtItsOffsetsInTheDirectionOfTravel) {
  // Floyd-Steinberg, 250 → 234: error 16.
  ExpectSpread(ditherFloydSteinberg, 250, 234, 5,
               {0, 0, S, 7, 0,  //
                0, 3, 5, 1, 0});
  ExpectSpread(ditherFloydSteinberg, 250, 234, 5,
               {0, 0, 0, 0, 0,  //
                0, 7, S, 0, 0,  //
                0, 1, 5, 3, 0});
  // Stucki, 250 → 208: error 42.
  ExpectSpread(ditherStucki, 250, 208, 5,
               {0, 0, S, 8, 4,  //
                2, 4, 8, 4, 2,  //
                1, 2, 4, 2, 1});
  ExpectSpread(ditherStucki, 250, 208, 5,
               {0, 0, 0, 0, 0,  //
                4, 8, S, 0, 0,  //
                2, 4, 8, 4, 2,  //
                1, 2, 4, 2, 1});
  // Sierra, 250 → 218: error 32.
  ExpectSpread(ditherSierra, 250, 218, 5,
               {0, 0, S, 5, 3,  //
                2, 4, 5, 4, 2,  //
                0, 2, 3, 2, 0});
  ExpectSpread(ditherSierra, 250, 218, 5,
               {0, 0, 0, 0, 0,  //
                3, 5, S, 0, 0,  //
                2, 4, 5, 4, 2,  //
                0, 2, 3, 2, 0});
  // Jarvis-Judice-Ninke, 250 → 202: error 48.
  ExpectSpread(ditherJaJuNi, 250, 202, 5,
               {0, 0, S, 7, 5,  //
                3, 5, 7, 5, 3,  //
                1, 3, 5, 3, 1});
  ExpectSpread(ditherJaJuNi, 250, 202, 5,
               {0, 0, 0, 0, 0,  //
                5, 7, S, 0, 0,  //
                3, 5, 7, 5, 3,  //
                1, 3, 5, 3, 1});
  // Stevenson-Arce, 250 → 50: error 200. Its row below is lopsided (12, 26 behind; 30, 16
  // ahead), so it shows the direction of row 1 too.
  ExpectSpread(ditherSteveArche, 250, 50, 7,
               {0, 0, 0, S, 0, 32, 0,     //
                12, 0, 26, 0, 30, 0, 16,  //
                0, 12, 0, 26, 0, 12, 0,   //
                5, 0, 12, 0, 12, 0, 5});
  ExpectSpread(ditherSteveArche, 250, 50, 7,
               {0, 0, 0, 0, 0, 0, 0,      //
                0, 32, 0, S, 0, 0, 0,     //
                16, 0, 30, 0, 26, 0, 12,  //
                0, 12, 0, 26, 0, 12, 0,   //
                5, 0, 12, 0, 12, 0, 5});
  // Burkes, 250 → 218: error 32.
  ExpectSpread(ditherBurkes, 250, 218, 5,
               {0, 0, S, 8, 4,  //
                2, 4, 8, 4, 2});
  ExpectSpread(ditherBurkes, 250, 218, 5,
               {0, 0, 0, 0, 0,  //
                4, 8, S, 0, 0,  //
                2, 4, 8, 4, 2});
}

// Half the divisor as the seed error: w × e / d is w / 2, so the rounding shows.
TEST(ErrorDiffusion, SharesRoundHalvesUpAndTruncateTowardZero) {
  // Error 8 of 16: (8 w + 8) / 16 = (w + 1) / 2 → 7: 4, 3: 2, 5: 3, 1: 1.
  ExpectSpread(ditherFloydSteinberg, 250, 242, 5,
               {0, 0, S, 4, 0,  //
                0, 2, 3, 1, 0});
  // Error -8: (-8 w + 8) / 16 → 7: -48 / 16 = -3, 3: -16 / 16 = -1, 5: -32 / 16 = -2,
  // 1: 0 / 16 = 0.
  ExpectSpread(ditherFloydSteinberg, 200, 208, 5,
               {0, 0, S, -3, 0,  //
                0, -1, -2, 0, 0});
  // Error 21 of 42: (21 w + 21) / 42 → 8: 4, 4: 2, 2: 1, 1: 1 (a half rounds up).
  ExpectSpread(ditherStucki, 250, 229, 5,
               {0, 0, S, 4, 2,  //
                1, 2, 4, 2, 1,  //
                1, 1, 2, 1, 1});
  // Error -21: (-21 w + 21) / 42 → 8: -147 / 42 = -3.5 → -3, 4: -1.5 → -1, 2: -0.5 → 0.
  ExpectSpread(ditherStucki, 200, 221, 5,
               {0, 0, S, -3, -1,  //
                0, -1, -3, -1, 0,  //
                0, 0, -1, 0, 0});
  // Error 100 of 200: 32: 3300 / 200 = 16, 12: 6, 26: 13, 30: 15, 16: 8, 5: 600 / 200 = 3.
  ExpectSpread(ditherSteveArche, 250, 150, 7,
               {0, 0, 0, S, 0, 16, 0,   //
                6, 0, 13, 0, 15, 0, 8,  //
                0, 6, 0, 13, 0, 6, 0,   //
                3, 0, 6, 0, 6, 0, 3});
}

TEST(ErrorDiffusion, FloydSteinbergAddsUpTheErrorsOfNeighbours) {
  TMonochromeLookup monochrome;
  TRecordingLookup lookup(monochrome);
  // Row 0, left to right:
  //   100 → black, e 100: 7 × 100 = 700 ahead.
  //   100 + (700 + 8) / 16 = 144 → white, e -111: ahead -777.
  //   100 + (-777 + 8) / 16 = 100 - 48 = 52 → black, e 52.
  // Below: column 0 gets 500 + 3 × -111 = 167; column 1: 100 - 555 + 3 × 52 = -299;
  // column 2: -111 + 5 × 52 = 149.
  // Row 1, right to left:
  //   column 2: 100 + (149 + 8) / 16 = 109 → black, e 109: ahead 763.
  //   column 1: 100 + (-299 + 763 + 8) / 16 = 100 + 29 = 129 → white, e -126: ahead -882.
  //   column 0: 100 + (167 - 882 + 8) / 16 = 100 - 44 = 56 → black.
  EXPECT_EQ(Dither(ditherFloydSteinberg, lookup, Grid(6, 100), 3), (Grid{0, 1, 0, 0, 1, 0}));
  EXPECT_EQ(lookup.Requests, (Grid{100, 144, 52, 109, 129, 56}));
}

TEST(ErrorDiffusion, BurkesAddsUpTheErrorsOfNeighbours) {
  TMonochromeLookup monochrome;
  TRecordingLookup lookup(monochrome);
  // Row 0, left to right (shares of 32, +16 before dividing):
  //   100 → black, e 100: ahead 800, 400; below 800, 400, 200 at columns 0, 1, 2.
  //   100 + (800 + 16) / 32 = 125 → black, e 125: column 2 gets 400 + 1000 = 1400;
  //     below 500, 1000, 500 at columns 0, 1, 2.
  //   100 + (1400 + 16) / 32 = 144 → white, e -111: below -222, -444, -888 at columns 0, 1, 2.
  // Row 1 holds 800 + 500 - 222 = 1078, 400 + 1000 - 444 = 956, 200 + 500 - 888 = -188.
  // Row 1, right to left:
  //   column 2: 100 + (-188 + 16) / 32 = 100 - 5 = 95 → black, e 95: columns 1, 0 get 760, 380.
  //   column 1: 100 + (956 + 760 + 16) / 32 = 154 → white, e -101: column 0 gets -808.
  //   column 0: 100 + (1078 + 380 - 808 + 16) / 32 = 100 + 20 = 120 → black.
  EXPECT_EQ(Dither(ditherBurkes, lookup, Grid(6, 100), 3), (Grid{0, 0, 1, 0, 1, 0}));
  EXPECT_EQ(lookup.Requests, (Grid{100, 125, 144, 95, 154, 120}));
}

TEST(ErrorDiffusion, CorrectedValuesAreClampedAndTheErrorIsTakenFromTheClampedValue) {
  TMonochromeLookup monochrome;
  {
    TRecordingLookup lookup(monochrome);
    // Burkes: 80 → black, e 80: ahead (640 + 16) / 32 = 20 and (320 + 16) / 32 = 10.
    // 250 + 20 = 270 is looked up as 255 → white with no error, so 100 gets only 10.
    Dither(ditherBurkes, lookup, {80, 250, 100}, 3);
    EXPECT_EQ(lookup.Requests, (Grid{80, 255, 110}));
  }
  {
    TRecordingLookup lookup(monochrome);
    // 200 → white, e -55: ahead (-440 + 16) / 32 = -13 and (-220 + 16) / 32 = -6.
    // 5 - 13 is looked up as 0 → black with no error, so 100 gets only -6.
    Dither(ditherBurkes, lookup, {200, 5, 100}, 3);
    EXPECT_EQ(lookup.Requests, (Grid{200, 0, 94}));
  }
}

TEST(ErrorDiffusion, FloydSteinbergPassesNoErrorBelowARowThatMapsExactly) {
  TMonochromeLookup monochrome;
  TRecordingLookup lookup(monochrome);
  // Row 0 (60 → black) leaves positive error for row 1; row 1 asks for 255 or more, gets
  // white exactly and leaves none, so row 2 must see its zeros unchanged.
  Dither(ditherFloydSteinberg, lookup, {60, 60, 60, 255, 255, 255, 0, 0, 0}, 3);
  EXPECT_EQ(Grid(lookup.Requests.begin() + 3, lookup.Requests.end()), (Grid{255, 255, 255, 0, 0, 0}));
}

TEST(DitherEngine, NearestMappingGivesTheLookupsIndexInSerpentineOrder) {
  TGrayScaleLookup gray;
  TRecordingLookup lookup(gray);
  const Grid grays{10, 20, 30, 40, 50, 60};
  EXPECT_EQ(Dither(ditherNearest, lookup, grays, 3), grays);
  EXPECT_EQ(lookup.Requests, (Grid{10, 20, 30, 60, 50, 40}));
}

const TDitherKind kAllKinds[] = {ditherNearest, ditherFloydSteinberg, ditherStucki, ditherSierra,
                                 ditherJaJuNi, ditherSteveArche, ditherBurkes};

TEST(DitherEngine, RowsAlternateDirectionAndOddRowsStartAtTheLastColumn) {
  TMonochromeLookup lookup;
  for (TDitherKind kind : kAllKinds) {
    const std::unique_ptr<TDitherEngine> ditherer = CreateDitherer(kind, 3, lookup);
    EXPECT_EQ(ditherer->Column(), 0);
    EXPECT_EQ(ditherer->Direction(), 1);
    std::uint8_t r, g, b;
    ditherer->DitherPixel(0, 0, 0, r, g, b);
    EXPECT_EQ(ditherer->Column(), 1);
    ditherer->AdvanceLine();
    EXPECT_EQ(ditherer->Column(), 2);
    EXPECT_EQ(ditherer->Direction(), -1);
    ditherer->DitherPixel(0, 0, 0, r, g, b);
    EXPECT_EQ(ditherer->Column(), 1);
    ditherer->AdvanceLine();
    EXPECT_EQ(ditherer->Column(), 0);
    EXPECT_EQ(ditherer->Direction(), 1);
  }
}

TEST(DitherEngine, ASingleColumnStaysInsideTheErrorRows) {
  TMonochromeLookup lookup;
  // Every kernel reaches past a single column on both sides; the margins must take it all.
  const Grid grays{200, 100, 30, 255, 0, 128, 127, 250};
  for (TDitherKind kind : kAllKinds) {
    const Grid indexes = Dither(kind, lookup, grays, 1);
    EXPECT_EQ(indexes.front(), 1) << int(kind);
    for (int index : indexes) EXPECT_TRUE(index == 0 || index == 1) << int(kind);
  }
}

TEST(DitherEngine, PixelsPassedOutsideTheRowAreMappedWithoutTouchingTheErrorRows) {
  TMonochromeLookup lookup;
  for (TDitherKind kind : kAllKinds) {
    const std::unique_ptr<TDitherEngine> ditherer = CreateDitherer(kind, 2, lookup);
    std::uint8_t r, g, b;
    for (int i = 0; i < 8; ++i) ditherer->DitherPixel(100, 100, 100, r, g, b);
    EXPECT_EQ(ditherer->Column(), 8);
    // Past the row there is no carried error: 100 stays black.
    EXPECT_EQ(ditherer->DitherPixel(100, 100, 100, r, g, b), 0) << int(kind);
    ditherer->AdvanceLine();
    EXPECT_EQ(ditherer->Column(), 1);
  }
}

TEST(DitherEngine, EmptyAndNegativeWidthsMapNothing) {
  TMonochromeLookup lookup;
  for (TDitherKind kind : kAllKinds) {
    for (int width : {0, -5}) {
      const std::unique_ptr<TDitherEngine> ditherer = CreateDitherer(kind, width, lookup);
      EXPECT_EQ(ditherer->Width(), 0);
      ditherer->AdvanceLine();
      EXPECT_EQ(ditherer->Column(), -1);
      ditherer->AdvanceLine();
      EXPECT_EQ(ditherer->Column(), 0);
    }
  }
}

TEST(DitherEngine, CreatesTheDithererOfEachKind) {
  TMonochromeLookup lookup;
  EXPECT_EQ(typeid(*CreateDitherer(ditherNearest, 4, lookup)), typeid(TDitherEngine));
  EXPECT_EQ(typeid(*CreateDitherer(ditherFloydSteinberg, 4, lookup)), typeid(TFloydSteinbergDitherer));
  EXPECT_EQ(typeid(*CreateDitherer(ditherStucki, 4, lookup)), typeid(TStuckiDitherer));
  EXPECT_EQ(typeid(*CreateDitherer(ditherSierra, 4, lookup)), typeid(TSierraDitherer));
  EXPECT_EQ(typeid(*CreateDitherer(ditherJaJuNi, 4, lookup)), typeid(TJaJuNiDitherer));
  EXPECT_EQ(typeid(*CreateDitherer(ditherSteveArche, 4, lookup)), typeid(TSteveArcheDitherer));
  EXPECT_EQ(typeid(*CreateDitherer(ditherBurkes, 4, lookup)), typeid(TBurkesDitherer));
  EXPECT_THROW(CreateDitherer(static_cast<TDitherKind>(7), 4, lookup), std::invalid_argument);
}

TEST(Ditherers, SkippedPixelsKeepTheErrorsInPlace) {
  // Burkes over black and white: pixel 0 (200) maps to white, error -55, of which 4/32 go
  // two columns ahead. Pixel 1 is skipped; pixel 2 (135) then reads (-220 + 16) / 32 = -6,
  // looks up 129 and stays white. Reading pixel 1's share (8/32) instead would give 122:
  // black.
  TMonochromeLookup lookup;
  TBurkesDitherer ditherer(3, lookup);
  std::uint8_t r, g, b;
  EXPECT_EQ(ditherer.DitherPixel(200, 200, 200, r, g, b), 1);
  ditherer.SkipPixel();
  EXPECT_EQ(ditherer.Column(), 2);
  EXPECT_EQ(ditherer.DitherPixel(135, 135, 135, r, g, b), 1);
}

}  // namespace
}  // namespace lumvane::test
