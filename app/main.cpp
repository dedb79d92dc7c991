#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "base/Buffers.h"

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

#ifdef LUMVANE_GUI
bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

// Whether a window can be opened here: a display, or a Qt platform chosen explicitly.
bool DisplayAvailable() { return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM"); }

// The window is a program of its own beside this one, so that commands start without
// loading Qt. Returns only when it cannot be started.
void StartWindow(char** argv) {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  const std::string window = (error ? std::filesystem::path(argv[0]).parent_path() : self.parent_path()) / "lumvane-window";
  argv[0] = const_cast<char*>(window.c_str());
  ::execv(window.c_str(), argv);
  std::cerr << "lumvane: cannot start " << window << ": " << std::strerror(errno) << "\n";
}
#endif

// A batch run allocates buffers of like sizes file after file (pictures, pixels, tables):
// memory freed stays with the process for the next file, up to kKeptFreeBytes at the top of
// a heap and for blocks up to that size, instead of going back to the system and being
// faulted in again page by page. Larger blocks still come from and go back to the system.
// The main heap's room is mapped in large pages; each batch worker maps its own.
constexpr int kKeptFreeBytes = 32 << 20;
static_assert(lumvane::kLargePageRoom < kKeptFreeBytes);

void KeepFreedMemory() {
  ::mallopt(M_MMAP_THRESHOLD, kKeptFreeBytes);
  ::mallopt(M_TRIM_THRESHOLD, kKeptFreeBytes);
  lumvane::MapHeapRoomInLargePages();
}

}  // namespace

// Without arguments, or with a folder or files that exist, the window opens; otherwise a
// command runs.
int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const bool wantsWindow =
      args.empty() || (!IsCommand(args[0]) && std::all_of(args.begin(), args.end(), Exists));
  if (!wantsWindow) {
    KeepFreedMemory();
    return lumvane::RunCommandLine(args, std::cin, std::cout, std::cerr);
  }
#ifdef LUMVANE_GUI
  if (DisplayAvailable()) {
    StartWindow(argv);
    return lumvane::kExitFileFailed;
  }
  std::cerr << "lumvane: no display to open the window on; use a command.\n";
#else
  std::cerr << "lumvane: this build has no desktop window; use a command.\n";
#endif
  lumvane::PrintUsage(std::cerr);
  return lumvane::kExitUsage;
}
