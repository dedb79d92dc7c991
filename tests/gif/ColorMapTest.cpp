#include <gtest/gtest.h>

#include "base/Errors.h"
#include "gif/GIFImage.h"
#include "support/GifBytes.h"

namespace lumvane::test {
namespace {

constexpr TColor kRed = 0x0000FF;

struct ColorMapTest : ::testing::Test {
  TGIFImage image;
  std::vector<std::string> warnings;
  TGIFColorMap& map = image.Header.GlobalColorMap();
  void SetUp() override {
    image.WarningHandler = [this](const TPersistent* sender, int severity, const std::string& message) {
      EXPECT_EQ(sender, &map);
      EXPECT_EQ(severity, 1);
      warnings.push_back(message);
    };
  }
};

TEST_F(ColorMapTest, GrowsBySixteenThenThirtyTwoAndHoldsAtMost256) {
  for (int i = 0; i < 16; ++i) map.AddColor(i);
  EXPECT_EQ(map.Capacity(), 16);
  EXPECT_EQ(map.AddColor(16), 16);
  EXPECT_EQ(map.Capacity(), 32);
  for (int i = 17; i < 33; ++i) map.AddColor(i);
  EXPECT_EQ(map.Capacity(), 64);
  for (int i = 33; i < 256; ++i) map.AddColor(i);
  EXPECT_EQ(map.Capacity(), 256);
  try {
    map.AddColor(0x123456);
    ADD_FAILURE();
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Color table overflow");
  }
  EXPECT_EQ(map.Count(), 256);
}

TEST_F(ColorMapTest, FindColorPrefersTheLastMatchUnlessSorted) {
  for (TColor color : {0x000001u, 0x000002u, kRed, 0x000003u, 0x000004u, kRed}) map.AddColor(color);
  EXPECT_EQ(map.FindColor(kRed), 5);
  map.SetSorted(true);
  EXPECT_EQ(map.FindColor(kRed), 2);
  EXPECT_EQ(map.FindColor(0x00FF00), -1);
  // Found colors are not added again and keep the map sorted.
  EXPECT_EQ(map.FindOrAddColor(kRed), 2);
  EXPECT_EQ(map.Count(), 6);
  EXPECT_TRUE(map.Sorted());
  EXPECT_EQ(map.FindOrAddColor(0x00FF00), 6);
  EXPECT_FALSE(map.Sorted());
}

TEST_F(ColorMapTest, ColorsAreStoredRedGreenBlueAndTheTopByteIsIgnored) {
  map.AddColor(0xAB332211);
  EXPECT_EQ(map.Entries()[0], 0x11);
  EXPECT_EQ(map.Entries()[1], 0x22);
  EXPECT_EQ(map.Entries()[2], 0x33);
  EXPECT_EQ(map.ColorAt(0), 0x332211u);
  EXPECT_EQ(map.FindColor(0x00332211), 0);
}

TEST_F(ColorMapTest, OutOfRangeIndexWarnsAndAnswersEntryZero) {
  for (int i = 0; i < 10; ++i) map.AddColor(0x010101 * (i + 1));
  EXPECT_EQ(map.ColorAt(300), 0x010101u);
  EXPECT_EQ(warnings, std::vector<std::string>{"Invalid color index"});

  map.Clear();
  warnings.clear();
  try {
    map.ColorAt(0);
    ADD_FAILURE();
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Color table is empty");
  }
  EXPECT_EQ(warnings, std::vector<std::string>{"Invalid color index"});
}

TEST_F(ColorMapTest, RemoveAtShiftsEntriesAndChecksTheIndex) {
  for (TColor c : {1u, 2u, 3u}) map.AddColor(c);
  map.RemoveAt(0);
  EXPECT_EQ(map.Count(), 2);
  EXPECT_EQ(map.ColorAt(0), 2u);
  EXPECT_EQ(map.ColorAt(1), 3u);
  EXPECT_THROW(map.RemoveAt(2), GIFException);
  EXPECT_THROW(map.RemoveAt(-1), GIFException);
}

TEST_F(ColorMapTest, SavedTablesArePaddedToAPowerOfTwo) {
  const std::vector<std::pair<int, std::size_t>> cases = {{0, 0}, {1, 2}, {3, 4}, {5, 8}, {129, 256}};
  for (const auto& [colors, entries] : cases) {
    map.Clear();
    for (int i = 0; i < colors; ++i) map.AddColor(0x050505);
    TMemoryStream stream;
    map.SaveToStream(stream);
    ASSERT_EQ(stream.Bytes().size(), entries * 3) << colors << " colors";
    if (colors > 0) {
      EXPECT_EQ(stream.Bytes()[colors * 3 - 1], 5);
      EXPECT_TRUE(std::all_of(stream.Bytes().begin() + colors * 3, stream.Bytes().end(),
                              [](std::uint8_t b) { return b == 0; }));
    }
  }
  EXPECT_EQ(TGIFColorMap::PixelBitsFor(2), 1);
  EXPECT_EQ(TGIFColorMap::PixelBitsFor(17), 5);
  EXPECT_EQ(TGIFColorMap::PixelBitsFor(256), 8);
}

TEST_F(ColorMapTest, ShortTableOnLoadFailsAndLeavesTheMapEmpty) {
  TMemoryStream stream(Bytes(10, 1));
  EXPECT_THROW(map.LoadFromStream(stream, 4), GIFException);
  EXPECT_EQ(map.Count(), 0);
  EXPECT_EQ(map.Capacity(), 16);
}

}  // namespace
}  // namespace lumvane::test
