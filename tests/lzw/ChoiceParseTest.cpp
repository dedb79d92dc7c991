#include <gtest/gtest.h>

#include <random>

#include "base/Stream.h"
#include "lzw/ChoiceParse.h"
#include "lzw/LZWEncoder.h"
#include "support/GifBytes.h"
#include "support/Giflib.h"

namespace lumvane::test {
namespace {

// The image data the encoder writes for the pixels (one row).
Bytes Encoded(const Bytes& pixels, int minCodeSize, int clearAt = TLZWEncoder::kDefaultClearAt) {
  TMemoryStream stream;
  TLZWEncoder(clearAt).Encode(stream, minCodeSize, 1 << minCodeSize,
                              TConstFramePixels{pixels.data(), static_cast<int>(pixels.size()), 1, false});
  return stream.Bytes();
}

// A one-row GIF around image data, for giflib.
Bytes AsGif(const Bytes& imageData, int width, int bits) {
  return ScreenHeader(width, 1, static_cast<std::uint8_t>(0x80 | (bits - 1))) + ImageDescriptor(0, 0, width, 1) +
         imageData + Bytes{0x3B};
}

// Pixels of the given value range in runs and repeats, with an alternative at about one
// pixel in `every`.
TPixelChoices RandomChoices(std::mt19937& random, std::size_t count, int values, int every) {
  TPixelChoices choices;
  std::uniform_int_distribution<int> value(0, values - 1), run(1, 12), pick(0, every - 1);
  while (choices.Values.size() < count) {
    const int v = value(random);
    for (int n = run(random); n > 0 && choices.Values.size() < count; --n) {
      choices.Values.push_back(static_cast<std::uint8_t>(v));
      choices.Alternatives.push_back(pick(random) == 0 ? static_cast<std::int16_t>(value(random)) : std::int16_t{-1});
    }
  }
  return choices;
}

// The count it returns is exact, the encoder run on its result parses as it did (or the
// count would differ at the first divergence), the codes it records replay to the
// encoder's very bytes, every pixel keeps one of its values, and giflib reads the chosen
// pixels back: over small and large tables, past the point where the table fills and is
// cleared (at every clear point), with every search limit.
TEST(ChooseLongestStrings, CountsWhatTheEncoderWritesAndKeepsEachPixelToItsValues) {
  std::mt19937 random(7);
  for (const int codeSize : {2, 4, 8}) {
    for (const int limit : {1, 16, 4096}) {
      const int clearAt = TLZWEncoder::kClearPoints[(codeSize + limit) % 4];
      SCOPED_TRACE("code size " + std::to_string(codeSize) + ", search limit " + std::to_string(limit) +
                   ", clear at " + std::to_string(clearAt));
      const TPixelChoices given = RandomChoices(random, 60000, 1 << codeSize, 3);
      TPixelChoices chosen = given;
      std::vector<TSentCode> sent;
      const std::int64_t counted = ChooseLongestStrings(chosen, codeSize, limit, clearAt, &sent);
      const Bytes data = Encoded(chosen.Values, codeSize, clearAt);
      EXPECT_EQ(counted, static_cast<std::int64_t>(data.size()));
      TMemoryStream replayed;
      EncodeSentCodes(replayed, codeSize, 1 << codeSize, {chosen.Values.data(), 60000, 1, false}, sent);
      EXPECT_EQ(replayed.Bytes(), data);
      EXPECT_TRUE(ReachedClearPoint(sent, codeSize));  // the table fills and clears
      std::string error;
      const auto theirs = GiflibRead(AsGif(data, 60000, codeSize), &error);
      ASSERT_TRUE(theirs) << error;
      EXPECT_EQ(theirs->Frames[0].Pixels, chosen.Values);
      for (std::size_t i = 0; i < given.Values.size(); ++i)
        ASSERT_TRUE(chosen.Values[i] == given.Values[i] || chosen.Values[i] == given.Alternatives[i]) << "pixel " << i;
    }
  }
  TPixelChoices empty;
  EXPECT_EQ(ChooseLongestStrings(empty, 2, 16), static_cast<std::int64_t>(Encoded({}, 2).size()));
}

// A run of one value broken by pixels that may take it: the choice closes the gaps, and
// giflib reads what was chosen.
TEST(ChooseLongestStrings, AlternativesThatContinueARunShortenTheCodes) {
  TPixelChoices choices;
  for (int i = 0; i < 4000; ++i) {
    const bool gap = i % 5 == 2;
    choices.Values.push_back(gap ? static_cast<std::uint8_t>(1 + i % 3) : 0);
    choices.Alternatives.push_back(gap ? 0 : -1);
  }
  const Bytes plain = Encoded(choices.Values, 2);
  const std::int64_t chosenSize = ChooseLongestStrings(choices, 2, 16);
  EXPECT_LT(chosenSize * 4, static_cast<std::int64_t>(plain.size()));
  EXPECT_EQ(choices.Values, Bytes(4000, 0));
}

// Where the pixel's own value continues the string but its alternative leads to a longer
// one the dictionary holds, the search takes the alternative: a long run made the strings
// of zeros up to 21, and "0 0 1" was made just before.
TEST(ChooseLongestStrings, AnAlternativeThatReachesFurtherWinsOverAValueThatContinues) {
  TPixelChoices choices;
  const auto add = [&](int value, int count, int alternative = -1) {
    choices.Values.insert(choices.Values.end(), count, static_cast<std::uint8_t>(value));
    choices.Alternatives.insert(choices.Alternatives.end(), count, static_cast<std::int16_t>(alternative));
  };
  add(0, 210);
  add(2, 1);
  add(0, 2);
  add(1, 1);
  add(3, 1);
  const std::size_t tested = choices.Values.size() + 2;
  add(0, 2);
  add(1, 1, 0);
  add(0, 18);
  add(3, 1);
  ChooseLongestStrings(choices, 2, 16);
  EXPECT_EQ(choices.Values[tested], 0);
}

}  // namespace
}  // namespace lumvane::test
