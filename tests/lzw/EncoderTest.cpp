#include <gtest/gtest.h>

#include <random>

#include "base/Errors.h"
#include "lzw/ChoiceParse.h"
#include "lzw/GIFWriter.h"
#include "lzw/LZWDecoder.h"
#include "lzw/LZWEncoder.h"
#include "lzw/RLEEncoder.h"
#include "lzw/ShortestEncoding.h"
#include "support/Corpus.h"
#include "support/GifBytes.h"
#include "support/Giflib.h"

namespace lumvane::test {
namespace {

// LZW clearing at 4093 and with a full table stand for the other clear points.
enum class Kind { LZW, RLE, Lookahead, LZWClearing4093, LZWFullTable, AdaptiveClear };

std::unique_ptr<TGIFEncoder> MakeEncoder(Kind kind) {
  if (kind == Kind::LZW) return std::make_unique<TLZWEncoder>();
  if (kind == Kind::Lookahead) return std::make_unique<TLookaheadLZWEncoder>();
  if (kind == Kind::LZWClearing4093) return std::make_unique<TLZWEncoder>(4093);
  if (kind == Kind::LZWFullTable) return std::make_unique<TLZWEncoder>(4096);
  if (kind == Kind::AdaptiveClear) return std::make_unique<TAdaptiveClearLZWEncoder>(128);
  return std::make_unique<TRLEEncoder>();
}

Bytes Encode(Kind kind, const Bytes& pixels, int width, int height, int bits, int colors,
             bool interlaced = false) {
  TMemoryStream stream;
  MakeEncoder(kind)->Encode(stream, bits, colors, TConstFramePixels{pixels.data(), width, height, interlaced});
  return stream.TakeBytes();
}

Bytes Repeat(std::uint8_t value, int count) { return Bytes(count, value); }

Bytes Decoded(const Bytes& data, int width, int height, bool interlaced = false) {
  Bytes pixels(static_cast<std::size_t>(width) * height, 0);
  TMemoryStream stream(data);
  std::vector<std::string> warnings;
  DecodeLZW(stream, TFramePixels{pixels.data(), width, height, interlaced},
            [&](int, const std::string& m) { warnings.push_back(m); });
  EXPECT_TRUE(warnings.empty()) << warnings.front();
  EXPECT_EQ(stream.Position(), stream.Size());
  return pixels;
}

TEST(Encoders, TenEqualPixelsGiveTheSameBytesWithBothEncoders) {
  const Bytes expected = {0x02, 0x03, 0x8C, 0x8F, 0x05, 0x00};
  EXPECT_EQ(Encode(Kind::LZW, Repeat(1, 10), 10, 1, 2, 4), expected);
  EXPECT_EQ(Encode(Kind::RLE, Repeat(1, 10), 10, 1, 2, 4), expected);
}

TEST(Encoders, TwoColorFramesUseMinimumCodeSizeTwo) {
  for (Kind kind : {Kind::LZW, Kind::RLE}) {
    const Bytes data = Encode(kind, {0, 1, 1, 0}, 2, 2, 1, 2);
    EXPECT_EQ(data[0], 2);
    EXPECT_EQ(Decoded(data, 2, 2), (Bytes{0, 1, 1, 0}));
  }
}

TEST(Encoders, APixelOutsideTheColorTableFailsAndLeavesNoTerminator) {
  Bytes pixels;
  for (int i = 0; i < 200; ++i) pixels.push_back(static_cast<std::uint8_t>(i * 7 % 4));
  pixels.push_back(4);
  for (Kind kind : {Kind::LZW, Kind::RLE}) {
    TMemoryStream stream;
    try {
      MakeEncoder(kind)->Encode(stream, 2, 4, TConstFramePixels{pixels.data(), static_cast<int>(pixels.size()), 1, false});
      ADD_FAILURE();
    } catch (const GIFException& e) {
      EXPECT_STREQ(e.what(), "Color not in color table");
    }
    // The minimum code size and one sub-block holding what was packed, no terminator.
    const Bytes& out = stream.Bytes();
    ASSERT_GE(out.size(), 3u);
    EXPECT_EQ(out[0], 2);
    EXPECT_EQ(out.size(), 2u + out[1]);
  }
}

TEST(Encoders, InterlacedFramesOfEveryHeightWriteEveryRow) {
  for (Kind kind : {Kind::LZW, Kind::RLE, Kind::Lookahead}) {
    for (int height = 1; height <= 9; ++height) {
      Bytes pixels;
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < 3; ++x) pixels.push_back(static_cast<std::uint8_t>(y));
      EXPECT_EQ(Decoded(Encode(kind, pixels, 3, height, 4, 16, true), 3, height, true), pixels)
          << "height " << height;
    }
  }
}

TEST(SubBlockWriter, FullSubBlocksCarry255BytesAndTheRestFollows) {
  const Bytes data(255 * 2 + 1, 0xAB);
  TMemoryStream target;
  TGIFWriter writer(target);
  writer.Write(data.data(), 255 * 2);
  EXPECT_EQ(target.Size(), 256 * 2);
  writer.Finish();
  EXPECT_EQ(target.Size(), 256 * 2);  // nothing pending: no empty sub-block
  writer.Write(data.data(), 1);
  writer.Finish();
  EXPECT_EQ(target.Bytes()[0], 255);
  EXPECT_EQ(target.Bytes()[256], 255);
  EXPECT_EQ(target.Bytes()[512], 1);
  EXPECT_EQ(target.Size(), 256 * 2 + 2);

  std::uint8_t byte = 0;
  EXPECT_THROW(writer.Read(&byte, 1), EStreamError);
  EXPECT_THROW(writer.Seek(0, TSeekOrigin::Beginning), EStreamError);
  TGIFStream plain(target);
  EXPECT_THROW(plain.Write(&byte, 1), EStreamError);
}

TEST(SubBlockWriter, WritesThatStraddleABoundaryKeepEveryByte) {
  for (const std::vector<std::size_t>& writes :
       {std::vector<std::size_t>{300}, {254, 2}, {255, 300, 1}, {1, 600}, {200, 0, 100, 0}}) {
    Bytes data;
    TMemoryStream target;
    TGIFWriter writer(target);
    for (const std::size_t count : writes) {
      const std::size_t from = data.size();
      for (std::size_t i = 0; i < count; ++i) data.push_back(static_cast<std::uint8_t>((from + i) * 7));
      writer.Write(data.data() + from, count);
    }
    writer.Finish();
    // Full sub-blocks of 255 bytes, then the rest, carrying the bytes in order.
    Bytes carried;
    const Bytes& out = target.Bytes();
    for (std::size_t at = 0; at < out.size(); at += 1 + out[at]) {
      EXPECT_EQ(out[at], std::min<std::size_t>(data.size() - carried.size(), 255)) << "at " << at;
      carried.insert(carried.end(), out.begin() + at + 1, out.begin() + std::min(out.size(), at + 1 + out[at]));
    }
    EXPECT_EQ(carried, data) << writes.size() << " writes, first " << writes[0];
  }
}

TEST(RunLengthEncoder, ChoosesBetweenReusingTheRunTableAndStartingAgain) {
  // 20 × pixel 3: runs 1, 2, 3, 4, 5 and 5 again; then 5 × pixel 2 after a clear is cheaper
  // than five single codes.
  Bytes pixels = Repeat(3, 20) + Repeat(2, 5);
  const Bytes expected =
      ImageData(2, PackCodes({{4, 3}, {3, 3}, {6, 3}, {7, 3}, {8, 4}, {9, 4}, {9, 4}, {4, 4},
                              {2, 3}, {6, 3}, {6, 3}, {5, 4}}));
  EXPECT_EQ(Encode(Kind::RLE, pixels, 25, 1, 2, 4), expected);
}

// Codes and widths of a stretch without runs: a clear code every clearEvery codes.
std::vector<std::pair<int, int>> NoRunCodes(int minCodeSize, int count, int clearEvery) {
  const int clear = 1 << minCodeSize;
  std::vector<std::pair<int, int>> codes = {{clear, minCodeSize + 1}};
  int width = minCodeSize + 1, sinceClear = 0, nextWidthAt = clear - 1;
  for (int i = 0; i < count; ++i) {
    codes.push_back({i % clear, width});
    if (++sinceClear >= nextWidthAt) nextWidthAt += 1 << (width++);
    if (sinceClear >= clearEvery) {
      codes.push_back({clear, width});
      width = minCodeSize + 1;
      sinceClear = 0;
      nextWidthAt = clear - 1;
    }
  }
  codes.push_back({clear + 1, width});
  return codes;
}

TEST(RunLengthEncoder, StretchesWithoutRunsCarryAClearCodeAtFixedIntervals) {
  Bytes small;
  for (int i = 0; i < 22; ++i) small.push_back(static_cast<std::uint8_t>(i % 4));
  EXPECT_EQ(Encode(Kind::RLE, small, 22, 1, 2, 4), ImageData(2, PackCodes(NoRunCodes(2, 22, 9))));

  Bytes wide;
  for (int i = 0; i < 600; ++i) wide.push_back(static_cast<std::uint8_t>(i % 256));
  const auto codes = NoRunCodes(8, 600, 254);
  EXPECT_TRUE(std::all_of(codes.begin(), codes.end(), [](auto c) { return c.second == 9; }));
  EXPECT_EQ(Encode(Kind::RLE, wide, 600, 1, 8, 256), ImageData(8, PackCodes(codes)));
}

TEST(RunLengthEncoder, ARunEndingAtTheClearLimitIsFollowedByAClear) {
  // Nine single codes reach the limit: the clear comes before the run of five and before
  // the end code.
  Bytes pixels;
  for (int i = 0; i < 9; ++i) pixels.push_back(static_cast<std::uint8_t>(i % 4));
  auto codes = NoRunCodes(2, 9, 9);
  codes.pop_back();
  EXPECT_EQ(Encode(Kind::RLE, pixels, 9, 1, 2, 4), ImageData(2, PackCodes(NoRunCodes(2, 9, 9))));
  codes.insert(codes.end(), {{1, 3}, {6, 3}, {6, 3}, {5, 4}});
  EXPECT_EQ(Encode(Kind::RLE, pixels + Repeat(1, 5), 14, 1, 2, 4), ImageData(2, PackCodes(codes)));
}

TEST(RunLengthEncoder, RunCostCountsTriangleRuns) {
  EXPECT_EQ(TRLEEncoder::IntegerSquareRoot(0), 0u);
  EXPECT_EQ(TRLEEncoder::IntegerSquareRoot(15), 3u);
  EXPECT_EQ(TRLEEncoder::IntegerSquareRoot(16), 4u);
  EXPECT_EQ(TRLEEncoder::IntegerSquareRoot(1000001), 1000u);
  EXPECT_EQ(TRLEEncoder::RunCost(1, 4089), 1u);
  EXPECT_EQ(TRLEEncoder::RunCost(6, 4089), 3u);   // 1 + 2 + 3
  EXPECT_EQ(TRLEEncoder::RunCost(7, 4089), 4u);
  EXPECT_EQ(TRLEEncoder::RunCost(13, 3), 3u + 3u + 1u);  // two full triangles of 6, then 1
}

// A one-frame file around image data, with a gray table of 2^bits entries.
Bytes FileAround(const Bytes& data, int width, int height, int bits, bool interlaced) {
  return ScreenHeader(width, height, static_cast<std::uint8_t>(0x80 | (bits - 1))) +
         ImageDescriptor(0, 0, width, height, interlaced ? 0x40 : 0) + data + Bytes{0x3B};
}

TEST(Encoders, RandomFramesDecodeToTheirPixelsInBothDecoders) {
  std::mt19937 random(2026);
  for (int trial = 0; trial < 120; ++trial) {
    const int width = 1 + random() % 300, height = 1 + random() % 300;
    const int colors = 2 + random() % 255;
    const int bits = TGIFColorMap::PixelBitsFor(colors);
    const bool interlaced = random() % 2;
    Bytes pixels(static_cast<std::size_t>(width) * height);
    const int style = trial % 4;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
      const int run = style == 0 ? 1 : style == 1 ? 7 : style == 2 ? 300 : 1 + (i / 997) % 50;
      pixels[i] = static_cast<std::uint8_t>(style == 0 ? random() % colors : (i / run * 31 + i / 5000) % colors);
    }
    for (Kind kind : {Kind::LZW, Kind::RLE, Kind::Lookahead, Kind::LZWClearing4093, Kind::LZWFullTable,
                      Kind::AdaptiveClear}) {
      SCOPED_TRACE("trial " + std::to_string(trial) + " encoder " + std::to_string(static_cast<int>(kind)));
      const Bytes data = Encode(kind, pixels, width, height, bits, colors, interlaced);
      EXPECT_EQ(Decoded(data, width, height, interlaced), pixels);
      const auto peer = GiflibRead(FileAround(data, width, height, std::max(bits, 1), interlaced));
      ASSERT_TRUE(peer.has_value());
      EXPECT_EQ(peer->Frames.at(0).Pixels, pixels);
    }
  }
}

// One 1 in every seven pixels: greedy parsing takes strings that leave the next one short;
// looking one string ahead sends fewer codes, and both decoders read the same pixels.
TEST(LookaheadEncoder, ShorterWhereGreedyStringsLeaveTheNextOneShort) {
  Bytes pixels;
  for (int i = 0; i < 200; ++i) pixels.push_back(i % 7 == 0 ? 1 : 0);
  const Bytes greedy = Encode(Kind::LZW, pixels, 200, 1, 2, 4);
  const Bytes lookahead = Encode(Kind::Lookahead, pixels, 200, 1, 2, 4);
  EXPECT_EQ(greedy.size(), 29u);
  EXPECT_EQ(lookahead.size(), 26u);
  EXPECT_EQ(Decoded(lookahead, 200, 1), pixels);
  const auto peer = GiflibRead(FileAround(lookahead, 200, 1, 2, false));
  ASSERT_TRUE(peer.has_value());
  EXPECT_EQ(peer->Frames.at(0).Pixels, pixels);
}

// A texture of one random 24 × 24 tile repeated, then a stretch of noise: once the table
// holds the texture's strings, keeping the full table sends long strings, where clearing
// it whenever it fills learns them again. Both decoders read the pixels back.
TEST(AdaptiveClear, AFullTableIsKeptWhileItPays) {
  std::mt19937 random(24);
  Bytes tile(24 * 24);
  for (std::uint8_t& p : tile) p = static_cast<std::uint8_t>(random() % 64);
  const int width = 480, height = 600;
  Bytes pixels(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      pixels[static_cast<std::size_t>(y) * width + x] =
          y < 480 ? tile[(y % 24) * 24 + x % 24] : static_cast<std::uint8_t>(random() % 64);
  const Bytes greedy = Encode(Kind::LZW, pixels, width, height, 6, 64);
  const Bytes fullTable = Encode(Kind::LZWFullTable, pixels, width, height, 6, 64);
  TMemoryStream stream;
  TAdaptiveClearLZWEncoder(1024).Encode(stream, 6, 64, TConstFramePixels{pixels.data(), width, height, false});
  const Bytes adaptive = stream.TakeBytes();
  EXPECT_LT(adaptive.size() * 10, greedy.size() * 8);
  EXPECT_LT(adaptive.size(), fullTable.size());
  EXPECT_EQ(Decoded(adaptive, width, height), pixels);
  const auto peer = GiflibRead(FileAround(adaptive, width, height, 6, false));
  ASSERT_TRUE(peer.has_value());
  EXPECT_EQ(peer->Frames.at(0).Pixels, pixels);
}

// The quick search of the default effort: lookahead only up to kQuickLookaheadPixels, the
// widest adaptive window only on frames that can reach a clear point; the result is the
// shortest of those and giflib reads it back.
TEST(ShortestEncoding, TheQuickSearchTriesLookaheadOnSmallFramesAndAdaptiveClearingOnLargeOnes) {
  const auto sparse = [](int count) {
    Bytes pixels;
    for (int i = 0; i < count; ++i) pixels.push_back(i % 7 == 0 ? 1 : 0);
    return pixels;
  };
  std::mt19937 random(24);
  Bytes tile(24 * 24), texture(480 * 600);
  for (std::uint8_t& p : tile) p = static_cast<std::uint8_t>(random() % 64);
  for (std::size_t i = 0; i < texture.size(); ++i) texture[i] = tile[(i / 480 % 24) * 24 + i % 480 % 24];
  const int widest = std::end(TAdaptiveClearLZWEncoder::kWindows)[-1];
  struct Case {
    Bytes Pixels;
    int Width, Height, Bits;
    bool Lookahead, Adaptive;  // what the quick search tries beside greedy LZW
  };
  const std::vector<Case> cases = {
      {sparse(kQuickLookaheadPixels), static_cast<int>(kQuickLookaheadPixels), 1, 2, true, true},
      {sparse(kQuickLookaheadPixels + 1), static_cast<int>(kQuickLookaheadPixels) + 1, 1, 2, false, true},
      {sparse(200), 200, 1, 2, true, false},
      {texture, 480, 600, 6, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.Width) + " x " + std::to_string(c.Height));
    const TConstFramePixels frame{c.Pixels.data(), c.Width, c.Height, false};
    std::size_t expected = Encode(Kind::LZW, c.Pixels, c.Width, c.Height, c.Bits, 1 << c.Bits).size();
    if (c.Lookahead) expected = std::min(expected, Encode(Kind::Lookahead, c.Pixels, c.Width, c.Height, c.Bits, 1 << c.Bits).size());
    if (c.Adaptive) {
      TMemoryStream adaptive;
      TAdaptiveClearLZWEncoder(widest).Encode(adaptive, c.Bits, 1 << c.Bits, frame);
      expected = std::min(expected, static_cast<std::size_t>(adaptive.Size()));
    }
    TMemoryStream quick;
    EncodeShortest(quick, c.Bits, 1 << c.Bits, frame, TEncodingSearch::Quick);
    EXPECT_EQ(static_cast<std::size_t>(quick.Size()), expected);
    const auto peer = GiflibRead(FileAround(quick.Bytes(), c.Width, c.Height, c.Bits, false));
    ASSERT_TRUE(peer.has_value());
    EXPECT_EQ(peer->Frames.at(0).Pixels, c.Pixels);
  }
}

// Every pixel its own code (no pair of values repeats) is the most codes a frame can send:
// the largest frame said to stay short of every clear point codes alike at all of them,
// and three pixels more already clear at 4093 (the bound is that close). Greedy LZW tells
// whether its table reached the lowest clear point exactly where the codings part, and so
// do the codes a pixel choice records for the same pixels.
TEST(ClearPoints, FramesTooSmallToReachOneCodeAlikeAtAll) {
  int count = 0;
  while (!TLZWEncoder::MayReachClearPoint(count + 1, 8)) ++count;
  std::vector<std::vector<bool>> usedPairs(256, std::vector<bool>(256, false));
  Bytes pixels(1, 0);
  const auto extendTo = [&](int size) {
    while (static_cast<int>(pixels.size()) < size) {
      const int previous = pixels.back();
      const int start = static_cast<int>((previous * 131 + pixels.size()) % 256);
      int tried = 0;
      while (tried < 256 && usedPairs[previous][(start + tried) % 256]) ++tried;
      ASSERT_LT(tried, 256);
      const int next = (start + tried) % 256;
      usedPairs[previous][next] = true;
      pixels.push_back(static_cast<std::uint8_t>(next));
    }
  };
  extendTo(count);
  const Bytes atDefault = Encode(Kind::LZW, pixels, count, 1, 8, 256);
  EXPECT_EQ(Encode(Kind::LZWClearing4093, pixels, count, 1, 8, 256), atDefault);
  EXPECT_EQ(Encode(Kind::LZWFullTable, pixels, count, 1, 8, 256), atDefault);
  EXPECT_EQ(Decoded(atDefault, count, 1), pixels);

  extendTo(count + 3);
  EXPECT_NE(Encode(Kind::LZWClearing4093, pixels, count + 3, 1, 8, 256),
            Encode(Kind::LZW, pixels, count + 3, 1, 8, 256));

  for (int size = count; size <= count + 3; ++size) {
    SCOPED_TRACE(size);
    TMemoryStream greedy;
    TLZWEncoder encoder;
    encoder.Encode(greedy, 8, 256, TConstFramePixels{pixels.data(), size, 1, false});
    EXPECT_EQ(encoder.ReachedClearPoint(), Encode(Kind::LZWClearing4093, pixels, size, 1, 8, 256) != greedy.Bytes());
    TPixelChoices choices{Bytes(pixels.begin(), pixels.begin() + size), std::vector<std::int16_t>(size, -1)};
    std::vector<TSentCode> sent;
    ChooseLongestStrings(choices, 8, 16, TLZWEncoder::kDefaultClearAt, &sent);
    EXPECT_EQ(ReachedClearPoint(sent, 8), encoder.ReachedClearPoint());
  }
}

// The first picture of horses.gif was coded (by a lossy tool) with pixels tuned to an
// encoder that clears at 4093 entries: with that clear point it codes 12% shorter than
// with the default one. A document that saves with the shortest of the clear points finds
// it, and both decoders read the same pixels.
TEST(ClearPoints, PixelsTunedToAClearPointCodeShortestWithIt) {
  LUMVANE_REQUIRE_CORPUS();
  const Loaded horses = LoadBytes(ReadFileBytes(CorpusDir() + "/animated/horses.gif"));
  ASSERT_EQ(horses.Error, "");
  const TGIFSubImage& first = horses.Image->Frames[0];
  const int width = first.FrameWidth(), height = first.FrameHeight();
  const Bytes pixels(first.Pixels(), first.Pixels() + first.PixelCount());
  const Bytes atDefault = Encode(Kind::LZW, pixels, width, height, 8, 256);
  const Bytes at4093 = Encode(Kind::LZWClearing4093, pixels, width, height, 8, 256);
  EXPECT_LT(at4093.size() * 100, atDefault.size() * 88);

  TGIFImage image;
  for (int i = 0; i < 256; ++i) image.Header.GlobalColorMap().AddColor(static_cast<TColor>(i * 0x010101));
  TGIFSubImage& frame = AddFrame(image, 0, 0, width, height);
  std::copy(pixels.begin(), pixels.end(), frame.Pixels());
  image.EncoderKind = encodeLZWShortest;
  const Bytes saved = SaveBytes(image);
  const std::size_t header = 13 + 3 * 256 + 10;
  EXPECT_EQ(saved.size(), header + std::min({atDefault.size(), at4093.size(),
                                             Encode(Kind::LZWFullTable, pixels, width, height, 8, 256).size(),
                                             Encode(Kind::Lookahead, pixels, width, height, 8, 256).size()}) + 1);
  const Loaded ours = LoadBytes(saved);
  ASSERT_EQ(ours.Error, "");
  EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), ours.Image->Frames[0].Pixels()));
  const auto peer = GiflibRead(saved);
  ASSERT_TRUE(peer.has_value());
  EXPECT_EQ(peer->Frames.at(0).Pixels, pixels);
}

}  // namespace
}  // namespace lumvane::test
