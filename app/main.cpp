#include <sys/stat.h>

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

// Without arguments, or with one folder (or file), the window opens; otherwise a command runs.
int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const bool wantsWindow = args.empty() || (args.size() == 1 && !IsCommand(args[0]) && Exists(args[0]));
  if (!wantsWindow) return lumvane::RunCommandLine(args, std::cin, std::cout, std::cerr);
#ifdef LUMVANE_GUI
  if (lumvane::DisplayAvailable()) return lumvane::RunWindow(argc, argv, args.empty() ? std::string() : args[0]);
  std::cerr << "lumvane: no display to open the window on; use a command.\n";
#else
  std::cerr << "lumvane: this build has no desktop window; use a command.\n";
#endif
  lumvane::PrintUsage(std::cerr);
  return lumvane::kExitUsage;
}
