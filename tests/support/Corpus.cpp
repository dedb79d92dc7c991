#include "support/Corpus.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace lumvane::test {

std::string CorpusDir() {
  const char* fromEnvironment = std::getenv("LUMVANE_CORPUS");
  return fromEnvironment && *fromEnvironment ? fromEnvironment : LUMVANE_DEFAULT_CORPUS;
}

bool CorpusAvailable() { return std::filesystem::is_directory(CorpusDir()); }

std::vector<std::string> CorpusFiles(const std::string& folder) {
  std::vector<std::string> files;
  const std::filesystem::path dir = std::filesystem::path(CorpusDir()) / folder;
  if (!std::filesystem::is_directory(dir)) return files;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    if (entry.is_regular_file() && entry.path().extension() == ".gif") files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string BaseName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

}  // namespace lumvane::test
