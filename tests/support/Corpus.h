#pragma once
// Finding and reading the shared corpus of GIF files.

#include <cstdint>
#include <string>
#include <vector>

namespace lumvane::test {

// LUMVANE_CORPUS when set, else the shared corpus beside the project.
std::string CorpusDir();
bool CorpusAvailable();
// The *.gif files of a corpus folder ("animated", "broken", ...), sorted by name.
std::vector<std::string> CorpusFiles(const std::string& folder);
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
std::string BaseName(const std::string& path);

}  // namespace lumvane::test

// Skips the running test when the corpus is not there.
#define LUMVANE_REQUIRE_CORPUS()                                                   \
  do {                                                                             \
    if (!::lumvane::test::CorpusAvailable())                                       \
      GTEST_SKIP() << "corpus not found at " << ::lumvane::test::CorpusDir();      \
  } while (0)
