#include <gtest/gtest.h>

#include "optimize/Compositor.h"
#include "support/Corpus.h"
#include "support/GifBytes.h"
#include "support/GiflibCompositor.h"

namespace lumvane::test {
namespace {

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
