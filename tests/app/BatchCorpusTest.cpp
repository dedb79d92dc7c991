#include <gtest/gtest.h>

#include "app/FileOptimizer.h"
#include "support/Corpus.h"

namespace lumvane::test {
namespace {

// The last line of defence must never be needed: every corpus file optimizes to a result
// that shows the same.
TEST(BatchCorpus, NoFileReachesTheLooksDifferentLine) {
  LUMVANE_REQUIRE_CORPUS();
  TFileOptimizer optimizer;
  for (const char* folder : {"animated", "format", "transparent", "broken"})
    for (const std::string& path : CorpusFiles(folder))
      EXPECT_NE(optimizer.Process(path, false).Message, kLooksDifferentText) << path;
}

// Frames that restore the previous picture make a rebuilt copy that is not kept here: the
// optimized copy, built only then, is the result.
TEST(BatchCorpus, AFileWhoseRebuiltCopyIsNotKeptGetsTheOptimizedOne) {
  LUMVANE_REQUIRE_CORPUS();
  TFileOptimizer optimizer;
  for (const char* name : {"animated_transparent_restoreprev_loop.gif", "animated_transparent_frame_restoreprev_loop.gif"}) {
    const TFileOutcome outcome = optimizer.Process(CorpusDir() + "/animated/" + name, false);
    EXPECT_TRUE(outcome.Message.empty()) << name;
    EXPECT_GT(outcome.Saved, 0) << name;
    EXPECT_GT(outcome.OptimizedSize, 0) << name;
    EXPECT_EQ(outcome.OptimizedSize, static_cast<std::int64_t>(optimizer.ResultBytes().size())) << name;
  }
}

}  // namespace
}  // namespace lumvane::test
