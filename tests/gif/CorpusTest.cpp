#include <gtest/gtest.h>

#include <map>

#include "support/Corpus.h"
#include "support/GifBytes.h"
#include "support/Giflib.h"

namespace lumvane::test {
namespace {

TEST(Corpus, EveryAnimatedAndFormatFileLoads) {
  LUMVANE_REQUIRE_CORPUS();
  for (const char* folder : {"animated", "format", "transparent"}) {
    for (const std::string& path : CorpusFiles(folder)) {
      const Loaded loaded = LoadBytes(ReadFileBytes(path));
      EXPECT_EQ(loaded.Error, "") << path;
    }
  }
}

// Frames that hold an image, in file order, as giflib counts them.
std::vector<const TGIFSubImage*> ImageFrames(const TGIFImage& image) {
  std::vector<const TGIFSubImage*> frames;
  for (const auto& frame : image.Frames)
    if (!frame->IsEmpty()) frames.push_back(frame.get());
  return frames;
}

Bytes Triples(const TGIFColorMap& map) { return Bytes(map.Entries(), map.Entries() + map.Count() * 3); }

// Where our reading deliberately differs from giflib's: a frame of zero width or height
// takes the screen's size (giflib keeps it empty), so it is compared by position only.
TEST(Corpus, FramesDecodeToWhatGiflibDecodes) {
  LUMVANE_REQUIRE_CORPUS();
  int compared = 0;
  for (const char* folder : {"animated", "format", "transparent", "broken"}) {
    for (const std::string& path : CorpusFiles(folder)) {
      const Bytes bytes = ReadFileBytes(path);
      const Loaded ours = LoadBytes(bytes);
      if (ours.Error == "Image too large") continue;  // giflib would allocate what it declares
      const std::optional<GiflibFile> theirs = GiflibRead(bytes);
      if (!theirs) continue;
      SCOPED_TRACE(path);
      ASSERT_EQ(ours.Error, "") << "giflib reads this file";
      EXPECT_EQ(Triples(ours.Image->Header.GlobalColorMap()), theirs->GlobalColorMap);
      const std::vector<const TGIFSubImage*> frames = ImageFrames(*ours.Image);
      ASSERT_EQ(frames.size(), theirs->Frames.size());
      for (std::size_t i = 0; i < frames.size(); ++i) {
        const TGIFSubImage& frame = *frames[i];
        const GiflibFrame& peer = theirs->Frames[i];
        SCOPED_TRACE("frame " + std::to_string(i));
        EXPECT_EQ(frame.FrameLeft(), peer.Left);
        EXPECT_EQ(frame.FrameTop(), peer.Top);
        if (peer.Width == 0 || peer.Height == 0) continue;
        EXPECT_EQ(frame.FrameWidth(), peer.Width);
        EXPECT_EQ(frame.FrameHeight(), peer.Height);
        EXPECT_EQ(Triples(frame.LocalColorMap()), peer.LocalColorMap);
        EXPECT_TRUE(std::equal(peer.Pixels.begin(), peer.Pixels.end(), frame.Pixels()));
      }
      ++compared;
    }
  }
  EXPECT_GT(compared, 50);
}

struct BrokenOutcome {
  const char* File;
  const char* Error;  // empty: the file loads
  int Frames;         // frames in the document afterwards
  std::vector<std::string> Warnings;
};

// What each malformed file of the corpus ends in. Files that load without a warning carry
// defects that reading tolerates by design.
const std::vector<BrokenOutcome> kBrokenOutcomes = {
  // a zero byte before the trailer, skipped
  {"0646caeb9b9161c777f117007921a687.gif", "", 7, {}},
  // a graphic control block of size 238; the size is not checked
  {"243d9798466d64aba0acaa41f980bea6.gif", "", 7, {}},
  {"2b5bc31d84703bfb9f371925f0e3e57d.gif", "Invalid LZW code size", 0, {"Image exceeds Logical Screen size"}},
  {"55abb3cc464305dd554171c3d44cb61f.gif", "Premature end of data", 1, {"Image data ends before the last pixel"}},
  {"5f09a896c191db3fa7ea6bdd5ebe9485.gif", "Invalid LZW code size", 0, {"Image exceeds Logical Screen size"}},
  {"6d939393058de0579fca1bbf10ecff25.gif", "Premature end of data", 3, {}},
  // the same, with one corrupt byte inside pixel data that still decodes
  {"7092f253998c1b6b869707ad7ae92854.gif", "", 7, {}},
  {"9f8f6046eaf9ffa2d9c5d6db05c5f881.gif", "Unknown extension type", 1, {"Image data ends before the last pixel"}},
  // no trailer
  {"adaf0da1764aafb7039440dbe098569b.gif", "", 2, {}},
  {"adf6f850b13dff73ebb22862c6ab028b.gif", "", 16, {"Premature end of data"}},
  {"bc7af0616c4ae99144c8600e7b39beea.gif", "", 5, {"Premature end of data", "Image data ends before the last pixel"}},
  {"ce774930ac70449f38a18789c70095b8.gif", "Invalid LZW code size", 4, {}},
  {"d5a0175c07418852152ef33a886a5029.gif", "Invalid GIF signature", 0, {}},
  {"e34116d68f49c7852b362ec72a636df5.gif", "Premature end of data", 0, {}},
  // giflib reads it too
  {"e6aa0c45a13dd7fc94f7b5451bd89bf4.gif", "", 518, {}},
  {"ea754e040929b7f9c157efc88c4d0eaf.gif", "", 12, {"Image data ends before the last pixel"}},
  {"ee6d1133f9264dc6467990e53d0bf104.gif", "", 1, {"Premature end of data"}},
  // a comment after the last image, kept in a frame of its own
  {"f617c7af7f36296a37ddb419b828099c.gif", "", 12, {}},
  {"f88b6907ee086c4c8ac4b8c395748c49.gif", "", 67, {"Image data ends before the last pixel"}},
  {"fc3e2b992c559055267e26dc23e484c0.gif", "", 1, {"Image data ends before the last pixel"}},
  {"hippopotamus.interlaced.truncated.gif", "", 1, {"Premature end of data", "Image data ends before the last pixel"}},
};

TEST(Corpus, EveryBrokenFileEndsInItsPinnedWarningOrError) {
  LUMVANE_REQUIRE_CORPUS();
  const std::vector<std::string> files = CorpusFiles("broken");
  ASSERT_EQ(files.size(), kBrokenOutcomes.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    const BrokenOutcome& expected = kBrokenOutcomes[i];
    ASSERT_EQ(BaseName(files[i]), expected.File);
    const Loaded loaded = LoadBytes(ReadFileBytes(files[i]));
    EXPECT_EQ(loaded.Error, expected.Error) << expected.File;
    EXPECT_EQ(loaded.Image->Frames.Count(), expected.Frames) << expected.File;
    EXPECT_EQ(loaded.Warnings, expected.Warnings) << expected.File;
  }
}

}  // namespace
}  // namespace lumvane::test
