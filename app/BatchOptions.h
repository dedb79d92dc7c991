#pragma once
// The options of "lumvane test" and "lumvane optimize", and the lists of paths they take.

#include <iosfwd>
#include <string>
#include <vector>

namespace lumvane {

struct TBatchOptions {
  bool Recursive = false;
  bool Json = false;
  bool Quiet = false;
  bool Thorough = false;
  bool NulSeparated = false;  // -0: the --files-from list is separated by NUL bytes
  unsigned Jobs = 1;
  std::string FilesFrom;      // a file listing paths, "-" for standard input; empty: none
  std::string Output;         // -o: the folder results go to, the originals untouched; empty: in place
  std::vector<std::string> Paths;
};

// Parses the arguments into options (Jobs starts at one per core); an error text when they
// make no sense.
std::string ParseBatchOptions(const std::vector<std::string>& args, TBatchOptions& options);

// The paths of a list, one a line (empty lines left out) or, NUL-separated, any bytes but
// NUL; a carriage return before a newline belongs to the line, as it may to a name.
std::vector<std::string> ReadPathList(std::istream& list, bool nulSeparated);

}  // namespace lumvane
