#include <gtest/gtest.h>

#include "optimize/Compositor.h"
#include "support/Corpus.h"
#include "support/GifBytes.h"
#include "support/GiflibCompositor.h"

namespace lumvane::test {
namespace {

// The pictures, times and (for animations) loop count that giflib's reading shows.
struct GiflibShow {
  std::vector<GiflibPicture> Pictures;
  int LoopCount = -1;
};

GiflibShow ShowOf(const GiflibFile& file) {
  GiflibShow show;
  GiflibCompositor compositor(file);
  GiflibPicture picture;
  while (compositor.Next(picture)) show.Pictures.push_back(picture);
  show.LoopCount = compositor.LoopCount();
  return show;
}

void ExpectSameGiflibShow(const Bytes& original, const Bytes& optimized) {
  const auto before = GiflibRead(original);
  if (!before) return;
  const auto after = GiflibRead(optimized);
  ASSERT_TRUE(after.has_value()) << "giflib cannot read the optimized file";
  const GiflibShow a = ShowOf(*before), b = ShowOf(*after);
  ASSERT_EQ(a.Pictures.size(), b.Pictures.size());
  for (std::size_t i = 0; i < a.Pictures.size(); ++i) {
    EXPECT_TRUE(a.Pictures[i].Pixels == b.Pictures[i].Pixels) << "picture " << i;
    if (a.Pictures.size() > 1) {
      EXPECT_EQ(a.Pictures[i].Time, b.Pictures[i].Time) << "picture " << i;
    }
  }
  if (a.Pictures.size() > 1) {
    EXPECT_EQ(a.LoopCount, b.LoopCount);
  }
}

TEST(CorpusOptimize, EveryFileShowsTheSameAfterEitherOptionSet) {
  LUMVANE_REQUIRE_CORPUS();
  int files = 0;
  for (const char* folder : {"animated", "format", "transparent"}) {
    for (const std::string& path : CorpusFiles(folder)) {
      const Bytes original = ReadFileBytes(path);
      const Loaded loaded = LoadBytes(original);
      if (!loaded.Error.empty() || loaded.Image->IsEmpty()) continue;
      for (TOptimizeOptionSet options : {TOptimizeOptionSet{29}, TOptimizeOptionSet{31}}) {
        SCOPED_TRACE(path + " with options " + std::to_string(options));
        TGIFImage copy;
        copy.CopyFrom(loaded.Image.get());
        copy.OptimizeDocument(options, reduceNone, ditherNearest, 8);
        const Bytes optimized = SaveBytes(copy);
        const Loaded result = LoadBytes(optimized);
        ASSERT_EQ(result.Error, "");
        const TShowComparison comparison = CompareShows(*loaded.Image, *result.Image);
        EXPECT_TRUE(comparison.Same) << comparison.Difference;
        ExpectSameGiflibShow(original, optimized);
      }
      ++files;
    }
  }
  EXPECT_GT(files, 50);
}

}  // namespace
}  // namespace lumvane::test
