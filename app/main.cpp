#include <sys/stat.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#ifdef LUMVANE_GUI
#include "app/window/RunWindow.h"
#endif

namespace {

bool IsCommand(const std::string& word) {
  for (const char* command : {"test", "optimize", "info", "convert", "compare", "render", "help", "-h", "--help", "--version"})
    if (word == command) return true;
  return false;
}

bool Exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

// Without arguments, or with a folder or files that exist, the window opens; otherwise a
// command runs.
int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const bool wantsWindow =
      args.empty() || (!IsCommand(args[0]) && std::all_of(args.begin(), args.end(), Exists));
  if (!wantsWindow) return lumvane::RunCommandLine(args, std::cin, std::cout, std::cerr);
#ifdef LUMVANE_GUI
  if (lumvane::DisplayAvailable()) return lumvane::RunWindow(argc, argv, args);
  std::cerr << "lumvane: no display to open the window on; use a command.\n";
#else
  std::cerr << "lumvane: this build has no desktop window; use a command.\n";
#endif
  lumvane::PrintUsage(std::cerr);
  return lumvane::kExitUsage;
}
