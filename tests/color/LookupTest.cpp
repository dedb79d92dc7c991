#include <gtest/gtest.h>

#include "color/ColorLookups.h"

namespace lumvane::test {
namespace {

struct TMapped {
  int Index;
  int Red, Green, Blue;
  bool operator==(const TMapped&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TMapped& m) {
  return out << m.Index << " (" << m.Red << ", " << m.Green << ", " << m.Blue << ")";
}

TMapped Map(TColorLookup& lookup, int red, int green, int blue) {
  std::uint8_t r = 99, g = 99, b = 99;
  const int index = lookup.MapColor(static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green),
                                    static_cast<std::uint8_t>(blue), r, g, b);
  return {index, r, g, b};
}

TPalette Palette(std::vector<TPaletteEntry> entries) { return TPalette(std::move(entries)); }

const TPaletteEntry kBlack{0, 0, 0};
const TPaletteEntry kWhite{255, 255, 255};

TEST(FastColorLookup, AnEmptyPaletteCountsNoColorsAndAnswersBlackAtIndexZero) {
  TFastColorLookup lookup{TPalette()};
  EXPECT_EQ(lookup.ColorCount(), 0);
  EXPECT_EQ(Map(lookup, 200, 100, 50), (TMapped{0, 0, 0, 0}));
}

TEST(FastColorLookup, CountsThePaletteColors) {
  EXPECT_EQ(TFastColorLookup(TPalette::BlackWhite()).ColorCount(), 2);
  EXPECT_EQ(TFastColorLookup(TPalette::Halftone()).ColorCount(), 256);
}

TEST(FastColorLookup, TheFirstColorLookedUpInACellDecidesForTheWholeCell) {
  TFastColorLookup lookup(Palette({kBlack, kWhite}));
  // (120, 128, 128): black at 120 + 128 + 128 = 376, white at 135 + 127 + 127 = 389.
  EXPECT_EQ(Map(lookup, 120, 128, 128), (TMapped{0, 0, 0, 0}));
  // (127, 135, 135) has the same top five bits (15, 16, 16). White is nearer (128 + 120 + 120
  // = 368 against 397), but the cell already answers black.
  EXPECT_EQ(Map(lookup, 127, 135, 135), (TMapped{0, 0, 0, 0}));
  // One step up in red leaves the cell (128 >> 3 = 16) and finds white.
  EXPECT_EQ(Map(lookup, 128, 135, 135), (TMapped{1, 255, 255, 255}));
}

TEST(FastColorLookup, EqualDistancesGoToTheLowerIndex) {
  // (5, 5, 0) is 10 from both (10, 0, 0) and (0, 10, 0), and its cell holds neither.
  TFastColorLookup redFirst(Palette({{10, 0, 0}, {0, 10, 0}}));
  EXPECT_EQ(Map(redFirst, 5, 5, 0), (TMapped{0, 10, 0, 0}));
  TFastColorLookup greenFirst(Palette({{0, 10, 0}, {10, 0, 0}}));
  EXPECT_EQ(Map(greenFirst, 5, 5, 0), (TMapped{0, 0, 10, 0}));
}

TEST(FastColorLookup, PaletteColorsClaimTheirCellsFirstComeFirstServed) {
  // (8, 8, 8) and (15, 15, 15) share the cell (1, 1, 1); the earlier entry keeps it, so even
  // the exact color of entry 1 answers 0. Entry 2 has a cell of its own.
  TFastColorLookup lookup(Palette({{8, 8, 8}, {15, 15, 15}, {200, 0, 0}}));
  EXPECT_EQ(Map(lookup, 15, 15, 15), (TMapped{0, 8, 8, 8}));
  EXPECT_EQ(Map(lookup, 201, 1, 1), (TMapped{2, 200, 0, 0}));
  // Far from all three: (100, 100, 100) is 276 from entry 0, 255 from entry 1, 300 from 2.
  EXPECT_EQ(Map(lookup, 100, 100, 100), (TMapped{1, 15, 15, 15}));
}

TEST(NetscapeColorLookup, LevelsAreValuePlusThreeOver51) {
  TNetscapeColorLookup lookup;
  EXPECT_EQ(lookup.ColorCount(), 216);
  EXPECT_EQ(Map(lookup, 47, 47, 47), (TMapped{0, 0, 0, 0}));          // 50 / 51 = 0
  EXPECT_EQ(Map(lookup, 48, 48, 48), (TMapped{43, 51, 51, 51}));      // 51 / 51 = 1: 36 + 6 + 1
  EXPECT_EQ(Map(lookup, 98, 0, 0), (TMapped{36, 51, 0, 0}));          // 101 / 51 = 1
  EXPECT_EQ(Map(lookup, 99, 0, 0), (TMapped{72, 102, 0, 0}));         // 102 / 51 = 2
  EXPECT_EQ(Map(lookup, 255, 255, 255), (TMapped{215, 255, 255, 255}));  // 258 / 51 = 5
  EXPECT_EQ(Map(lookup, 255, 0, 0), (TMapped{180, 255, 0, 0}));
  EXPECT_EQ(Map(lookup, 0, 255, 0), (TMapped{30, 0, 255, 0}));
  EXPECT_EQ(Map(lookup, 0, 0, 255), (TMapped{5, 0, 0, 255}));
}

TEST(GrayScaleLookup, WeighsTheChannels77To150To29) {
  TGrayScaleLookup lookup;
  EXPECT_EQ(lookup.ColorCount(), 256);
  EXPECT_EQ(Map(lookup, 255, 255, 255), (TMapped{255, 255, 255, 255}));  // 256 × 255 >> 8
  EXPECT_EQ(Map(lookup, 255, 0, 0), (TMapped{76, 76, 76, 76}));          // 19635 / 256 = 76.7
  EXPECT_EQ(Map(lookup, 0, 255, 0), (TMapped{149, 149, 149, 149}));      // 38250 / 256 = 149.4
  EXPECT_EQ(Map(lookup, 0, 0, 255), (TMapped{28, 28, 28, 28}));          // 7395 / 256 = 28.9
  EXPECT_EQ(Map(lookup, 0, 0, 0), (TMapped{0, 0, 0, 0}));
}

TEST(MonochromeLookup, WhiteOnlyAboveHalfBrightness) {
  TMonochromeLookup lookup;
  EXPECT_EQ(lookup.ColorCount(), 2);
  EXPECT_EQ(Map(lookup, 128, 128, 128), (TMapped{1, 255, 255, 255}));  // 256 × 128 = 32768
  EXPECT_EQ(Map(lookup, 127, 127, 127), (TMapped{0, 0, 0, 0}));        // 256 × 127 = 32512
  EXPECT_EQ(Map(lookup, 0, 217, 0), (TMapped{1, 255, 255, 255}));      // 150 × 217 = 32550
  EXPECT_EQ(Map(lookup, 0, 216, 0), (TMapped{0, 0, 0, 0}));            // 150 × 216 = 32400
  EXPECT_EQ(Map(lookup, 0, 0, 255), (TMapped{0, 0, 0, 0}));            // 29 × 255 = 7395
}

}  // namespace
}  // namespace lumvane::test
