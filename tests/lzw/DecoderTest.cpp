#include <gtest/gtest.h>

#include <random>

#include "base/Errors.h"
#include "lzw/LZWDecoder.h"
#include "support/GifBytes.h"
#include "support/Giflib.h"

namespace lumvane::test {
namespace {

struct Decoded {
  Bytes Pixels;
  std::vector<std::string> Warnings;
  std::int64_t EndPosition = 0;
};

Decoded Decode(const Bytes& data, int width, int height, bool interlaced = false, std::uint8_t fill = 0) {
  Decoded result;
  result.Pixels.assign(static_cast<std::size_t>(width) * height, fill);
  TMemoryStream stream(data);
  DecodeLZW(stream, TFramePixels{result.Pixels.data(), width, height, interlaced},
            [&](int, const std::string& message) { result.Warnings.push_back(message); });
  result.EndPosition = stream.Position();
  return result;
}

const std::string kShortfall = "Image data ends before the last pixel";

// Codes that repeat pixel 1 four times (the second code is the one being defined), then
// the end code once the table has grown to 4-bit codes.
const std::vector<std::pair<int, int>> kFourOnes = {{1, 3}, {6, 3}, {1, 3}, {5, 4}};

TEST(Decoder, DataWithoutInitialClearDecodesLikeDataWithIt) {
  std::vector<std::pair<int, int>> withClear = {{4, 3}};
  withClear.insert(withClear.end(), kFourOnes.begin(), kFourOnes.end());
  const Decoded a = Decode(ImageData(2, PackCodes(withClear)), 2, 2);
  const Decoded b = Decode(ImageData(2, PackCodes(kFourOnes)), 2, 2);
  EXPECT_EQ(a.Pixels, (Bytes{1, 1, 1, 1}));
  EXPECT_EQ(b.Pixels, a.Pixels);
  EXPECT_TRUE(a.Warnings.empty());
  EXPECT_TRUE(b.Warnings.empty());
}

TEST(Decoder, EarlyEndCodeKeepsFillAndReadsNothingOfTheNextBlock) {
  // Two pixels, then the end code, for a frame of six; a trailer follows the data.
  const Bytes data = ImageData(2, PackCodes({{4, 3}, {2, 3}, {3, 3}, {5, 3}})) + Bytes{0x3B};
  const Decoded decoded = Decode(data, 3, 2, false, 7);
  EXPECT_EQ(decoded.Pixels, (Bytes{2, 3, 7, 7, 7, 7}));
  EXPECT_EQ(decoded.Warnings, std::vector<std::string>{kShortfall});
  EXPECT_EQ(decoded.EndPosition, static_cast<std::int64_t>(data.size()) - 1);
}

TEST(Decoder, InterlacedRowsArriveInPassOrderForSmallHeights) {
  const std::vector<Bytes> expected = {{0}, {0, 1}, {0, 2, 1}, {0, 2, 1, 3}, {0, 3, 2, 4, 1}};
  for (int height = 1; height <= 5; ++height) {
    // Row k in sending order holds the value k; clear code 8, 4-bit codes.
    std::vector<std::pair<int, int>> codes = {{8, 4}};
    for (int k = 0; k < height; ++k) codes.push_back({k, 4});
    codes.push_back({9, 4});
    const Decoded decoded = Decode(ImageData(3, PackCodes(codes)), 1, height, true);
    EXPECT_EQ(decoded.Pixels, expected[height - 1]) << "height " << height;
  }
}

// Widths a decoder reads with, for a code stream of literals after one clear.
std::vector<std::pair<int, int>> LiteralsWithoutClear(int minCodeSize, const std::vector<int>& codes) {
  std::vector<std::pair<int, int>> out = {{1 << minCodeSize, minCodeSize + 1}};
  int width = minCodeSize + 1, limit = 2 << minCodeSize, next = (1 << minCodeSize) + 2;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    out.push_back({codes[i], width});
    if (i > 0 && next < 4096) {
      ++next;
      if (next >= limit && limit < 4096) {
        limit *= 2;
        ++width;
      }
    }
  }
  return out;
}

TEST(Decoder, FullTableWithoutClearGoesOnWithTwelveBitCodes) {
  std::vector<int> codes;
  Bytes expected;
  for (int i = 0; i < 4000; ++i) {
    codes.push_back(i % 251);
    expected.push_back(static_cast<std::uint8_t>(i % 251));
  }
  // Table full by now: entry 258 is the first two literals, entry 300 literals 42 and 43.
  codes.push_back(258);
  expected.insert(expected.end(), {0, 1});
  codes.push_back(300);
  expected.insert(expected.end(), {42, 43});
  auto packed = LiteralsWithoutClear(8, codes);
  packed.push_back({257, 12});
  const Decoded decoded = Decode(ImageData(8, PackCodes(packed)), static_cast<int>(expected.size()), 1);
  EXPECT_EQ(decoded.Pixels, expected);
  EXPECT_TRUE(decoded.Warnings.empty());
}

TEST(Decoder, ShortLastSubBlockWarnsOnceAndKeepsWhatItHolds) {
  Bytes data = ImageData(2, PackCodes({{4, 3}, {1, 3}, {6, 3}, {1, 3}, {5, 4}}));
  data[1] = 10;  // the only sub-block claims 10 bytes but holds 2
  data.pop_back();
  const Decoded decoded = Decode(data, 2, 2);
  EXPECT_EQ(decoded.Pixels, (Bytes{1, 1, 1, 1}));
  EXPECT_EQ(decoded.Warnings, std::vector<std::string>{"Premature end of data"});
}

TEST(Decoder, RunningOutOfBitsAfterTheTerminatorWarnsUnderRun) {
  // Six pixels in exactly three bytes, for a frame of sixteen.
  const Bytes codes = PackCodes({{4, 3}, {1, 3}, {1, 3}, {1, 3}, {1, 4}, {1, 4}, {1, 4}});
  ASSERT_EQ(codes.size(), 3u);
  const Decoded decoded = Decode(ImageData(2, codes), 4, 4, false, 9);
  EXPECT_EQ(Bytes(decoded.Pixels.begin(), decoded.Pixels.begin() + 7), (Bytes{1, 1, 1, 1, 1, 1, 9}));
  EXPECT_EQ(decoded.Warnings, (std::vector<std::string>{"Decoder bit buffer under-run", kShortfall}));
}

TEST(Decoder, ExcessDataIsSkippedUpToTheTerminator) {
  // Four pixels, then more codes instead of the end code, in several sub-blocks.
  std::vector<std::pair<int, int>> codes = {{4, 3}, {1, 3}, {6, 3}, {1, 3}};
  for (int i = 0; i < 40; ++i) codes.push_back({2, 4});
  const Bytes data = ImageData(2, PackCodes(codes), 5) + Bytes{0x2C};
  const Decoded decoded = Decode(data, 2, 2);
  EXPECT_EQ(decoded.Pixels, (Bytes{1, 1, 1, 1}));
  EXPECT_EQ(decoded.EndPosition, static_cast<std::int64_t>(data.size()) - 1);
}

TEST(Decoder, ClearCodeRightBeforeTheEndCodeDecodesAndEndsBehindTheData) {
  const Bytes data = ImageData(2, PackCodes({{4, 3}, {3, 3}, {3, 3}, {4, 3}, {5, 3}})) + Bytes{0x3B};
  const Decoded decoded = Decode(data, 2, 1);
  EXPECT_EQ(decoded.Pixels, (Bytes{3, 3}));
  EXPECT_EQ(decoded.EndPosition, static_cast<std::int64_t>(data.size()) - 1);
}

TEST(Decoder, DataCutOffByTheEndOfTheFileLeavesTheFillAndWarns) {
  const std::vector<std::string> truncated = {"Premature end of data", kShortfall};
  const Decoded nothing = Decode({}, 2, 1, false, 4);
  EXPECT_EQ(nothing.Pixels, (Bytes{4, 4}));
  EXPECT_EQ(nothing.Warnings, truncated);
  const Decoded noSubBlocks = Decode({2}, 2, 1, false, 4);
  EXPECT_EQ(noSubBlocks.Pixels, (Bytes{4, 4}));
  EXPECT_EQ(noSubBlocks.Warnings, truncated);
  // The end code comes, but the sub-blocks after it run past the end of the file.
  const Decoded cutAfterEnd = Decode(Bytes{2, 2} + PackCodes({{4, 3}, {1, 3}, {5, 3}}) + Bytes{9, 1}, 1, 1);
  EXPECT_EQ(cutAfterEnd.Pixels, Bytes{1});
  EXPECT_EQ(cutAfterEnd.Warnings, std::vector<std::string>{"Premature end of data"});
}

TEST(Decoder, AnEndCodeRightAfterAClearIsNoPixel) {
  // How encoders write a frame without pixel data.
  const Bytes data = ImageData(2, PackCodes({{5, 3}})) + Bytes{0x3B};
  const Decoded decoded = Decode(data, 2, 2, false, 3);
  EXPECT_EQ(decoded.Pixels, (Bytes{3, 3, 3, 3}));
  EXPECT_EQ(decoded.Warnings, std::vector<std::string>{kShortfall});
  EXPECT_EQ(decoded.EndPosition, static_cast<std::int64_t>(data.size()) - 1);
}

TEST(Decoder, CodeSizesBeyondTwelveBitCodesAreRejected) {
  EXPECT_THROW(
      {
        try {
          Decode(ImageData(12, {0}), 1, 1);
        } catch (const GIFException& e) {
          EXPECT_STREQ(e.what(), "Invalid LZW code size");
          throw;
        }
      },
      GIFException);
  // 11 still decodes: clear code 2048, 12-bit codes.
  EXPECT_EQ(Decode(ImageData(11, PackCodes({{2048, 12}, {7, 12}, {2049, 12}})), 1, 1).Pixels, Bytes{7});
}

TEST(Decoder, CorruptTablesStopWithTheCircularEntryError) {
  // An entry whose prefix is itself.
  const Bytes self = ImageData(2, PackCodes({{4, 3}, {6, 3}, {6, 3}, {6, 3}}));
  // Two entries that refer to each other: longer than any stack.
  const Bytes pair = ImageData(2, PackCodes({{4, 3}, {7, 3}, {6, 3}, {7, 3}, {7, 4}}));
  for (const Bytes& data : {self, pair}) {
    try {
      Decode(data, 8, 8);
      ADD_FAILURE() << "no error";
    } catch (const GIFException& e) {
      EXPECT_STREQ(e.what(), "Circular decoder table entry");
    }
  }
}

TEST(Decoder, DecodesWhatGiflibEncodes) {
  std::mt19937 random(7);
  for (int trial = 0; trial < 60; ++trial) {
    const int width = 1 + random() % 200, height = 1 + random() % 120;
    const int bits = 1 + random() % 8;
    const bool interlaced = random() % 2;
    Bytes pixels(static_cast<std::size_t>(width) * height);
    // Long runs and noise.
    for (std::size_t i = 0; i < pixels.size(); ++i)
      pixels[i] = (trial % 3 == 0) ? static_cast<std::uint8_t>(random() % (1 << bits))
                                   : static_cast<std::uint8_t>((i / (1 + trial)) % (1 << bits));
    const Loaded loaded = LoadBytes(GiflibWrite(width, height, bits, interlaced, pixels));
    ASSERT_EQ(loaded.Error, "");
    ASSERT_EQ(loaded.Image->Frames.Count(), 1);
    const TGIFSubImage& frame = loaded.Image->Frames[0];
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), frame.Pixels())) << "trial " << trial;
    EXPECT_TRUE(loaded.Warnings.empty());
  }
}

}  // namespace
}  // namespace lumvane::test
