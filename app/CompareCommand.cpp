#include "app/CompareCommand.h"

#include <ostream>

#include "app/CommandLine.h"
#include "gif/GIFImage.h"
#include "optimize/Compositor.h"

namespace lumvane {

int RunCompareCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2) {
    err << "lumvane compare: expected A B\n";
    PrintUsage(err);
    return kExitUsage;
  }
  TGIFImage documents[2];
  for (int i = 0; i < 2; ++i) {
    try {
      TMemoryStream input;
      input.LoadFromFile(args[i]);
      documents[i].LoadFromStream(input);
    } catch (const std::exception& error) {
      err << args[i] << ": error: " << error.what() << "\n";
      return kExitFileFailed;
    }
  }
  try {
    const TShowComparison comparison = CompareShows(documents[0], documents[1]);
    if (comparison.Same) {
      out << "same\n";
      return kExitSuccess;
    }
    out << args[0] << " and " << args[1] << " differ: " << comparison.Difference << "\n";
  } catch (const std::exception& error) {
    err << "lumvane compare: error: " << error.what() << "\n";
  }
  return kExitFileFailed;
}

}  // namespace lumvane
