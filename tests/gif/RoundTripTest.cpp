#include <gtest/gtest.h>

#include "support/Corpus.h"
#include "support/GifBytes.h"
#include "support/Giflib.h"

namespace lumvane::test {
namespace {

Bytes ExtensionBytes(const TGIFSubImage& frame) {
  TMemoryStream stream;
  const_cast<TGIFExtensionList&>(frame.Extensions()).SaveToStream(stream);
  return stream.TakeBytes();
}

Bytes Triples(const TGIFColorMap& map) { return Bytes(map.Entries(), map.Entries() + map.Count() * 3); }

// Frames, indices, color tables and extensions of two documents are the same.
void ExpectSameContent(const TGIFImage& a, const TGIFImage& b) {
  EXPECT_EQ(a.Width(), b.Width());
  EXPECT_EQ(a.Height(), b.Height());
  EXPECT_EQ(Triples(a.Header.GlobalColorMap()), Triples(b.Header.GlobalColorMap()));
  ASSERT_EQ(a.Frames.Count(), b.Frames.Count());
  for (int i = 0; i < a.Frames.Count(); ++i) {
    const TGIFSubImage& x = a.Frames[i];
    const TGIFSubImage& y = b.Frames[i];
    SCOPED_TRACE("frame " + std::to_string(i));
    EXPECT_EQ(x.FrameRect().Left, y.FrameRect().Left);
    EXPECT_EQ(x.FrameRect().Top, y.FrameRect().Top);
    EXPECT_EQ(x.FrameWidth(), y.FrameWidth());
    EXPECT_EQ(x.FrameHeight(), y.FrameHeight());
    EXPECT_EQ(Triples(x.LocalColorMap()), Triples(y.LocalColorMap()));
    EXPECT_EQ(x.IsEmpty(), y.IsEmpty());
    if (!x.IsEmpty()) {
      EXPECT_TRUE(std::equal(x.Pixels(), x.Pixels() + x.PixelCount(), y.Pixels()));
    }
    EXPECT_EQ(ExtensionBytes(x), ExtensionBytes(y));
  }
}

struct RoundTrip : ::testing::TestWithParam<TGIFEncoderKind> {};

TEST_P(RoundTrip, EveryCorpusFileSavesToAFixedPointThatGiflibReadsAlike) {
  LUMVANE_REQUIRE_CORPUS();
  int files = 0;
  for (const char* folder : {"animated", "format", "transparent"}) {
    for (const std::string& path : CorpusFiles(folder)) {
      SCOPED_TRACE(path);
      const Bytes original = ReadFileBytes(path);
      Loaded first = LoadBytes(original);
      ASSERT_EQ(first.Error, "");
      if (first.Image->IsEmpty()) continue;  // nothing to save
      first.Image->EncoderKind = GetParam();
      const Bytes saved = SaveBytes(*first.Image);

      Loaded second = LoadBytes(saved);
      ASSERT_EQ(second.Error, "");
      EXPECT_TRUE(second.Warnings.empty());
      ExpectSameContent(*first.Image, *second.Image);
      second.Image->EncoderKind = GetParam();
      EXPECT_EQ(SaveBytes(*second.Image), saved) << "not a fixed point";

      const auto before = GiflibRead(original);
      if (!before) continue;
      const auto after = GiflibRead(saved);
      ASSERT_TRUE(after.has_value()) << "giflib cannot read our output";
      EXPECT_EQ(after->GlobalColorMap, before->GlobalColorMap);
      ASSERT_EQ(after->Frames.size(), before->Frames.size());
      for (std::size_t i = 0; i < before->Frames.size(); ++i) {
        if (before->Frames[i].Width == 0 || before->Frames[i].Height == 0) continue;  // took the screen size
        EXPECT_EQ(after->Frames[i].Pixels, before->Frames[i].Pixels) << "frame " << i;
        EXPECT_EQ(after->Frames[i].LocalColorMap, before->Frames[i].LocalColorMap) << "frame " << i;
      }
      ++files;
    }
  }
  EXPECT_GT(files, 40);
}

INSTANTIATE_TEST_SUITE_P(Encoders, RoundTrip, ::testing::Values(encodeLZW, encodeRLE),
                         [](const auto& info) { return info.param == encodeLZW ? "LZW" : "RLE"; });

// A frame that uses 4 of a 256-color table's entries: compact codes are 3 bits wide at the
// start instead of 9, the file is smaller, and both decoders read the same pixels from it.
TEST(CompactCodeSize, CodesFollowTheHighestPixelAndDecodeAlike) {
  for (const TGIFEncoderKind encoder : {encodeLZW, encodeRLE}) {
    TGIFImage image;
    image.EncoderKind = encoder;
    for (int i = 0; i < 256; ++i) image.Header.GlobalColorMap().AddColor(static_cast<TColor>(i * 0x010101));
    TGIFSubImage& frame = AddFrame(image, 0, 0, 40, 30);
    for (int i = 0; i < 1200; ++i) frame.Pixels()[i] = static_cast<std::uint8_t>((i / 7 + i / 40) % 4);
    const Bytes wide = SaveBytes(image);
    image.CompactCodeSize = true;
    const Bytes compact = SaveBytes(image);
    EXPECT_LT(compact.size(), wide.size()) << encoder;
    const std::size_t codeSizeAt = 13 + 3 * 256 + 10;  // header, table, image descriptor
    EXPECT_EQ(wide[codeSizeAt], 8);
    EXPECT_EQ(compact[codeSizeAt], 2);

    const Loaded ours = LoadBytes(compact);
    ASSERT_EQ(ours.Error, "");
    EXPECT_EQ(ours.Warnings, std::vector<std::string>{});
    EXPECT_TRUE(std::equal(frame.Pixels(), frame.Pixels() + 1200, ours.Image->Frames[0].Pixels()));
    std::string error;
    const std::optional<GiflibFile> theirs = GiflibRead(compact, &error);
    ASSERT_TRUE(theirs) << error;
    EXPECT_EQ(theirs->Frames[0].Pixels, Bytes(frame.Pixels(), frame.Pixels() + 1200));
  }
}

}  // namespace
}  // namespace lumvane::test
