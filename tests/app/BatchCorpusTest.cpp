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

}  // namespace
}  // namespace lumvane::test
