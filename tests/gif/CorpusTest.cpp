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

}  // namespace
}  // namespace lumvane::test
