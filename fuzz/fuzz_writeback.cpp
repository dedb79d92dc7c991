// The batch engine's work on one file with write-back, in a scratch folder of its own
// (removed at exit): the input is written as a file and optimized in place. Afterwards the
// file must be untouched, byte for byte, or a smaller file with the same mode that loads and
// shows what the input shows; and nothing else may be left in the folder. Otherwise the
// target traps. The last byte of the input picks default or thorough effort (thorough
// only for one input in sixteen: it costs tens of times more).

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "app/FileOptimizer.h"
#include "base/Stream.h"
#include "fuzz/FuzzBudget.h"
#include "fuzz/FuzzInput.h"
#include "gif/GIFImage.h"
#include "optimize/Compositor.h"

using namespace lumvane;

namespace {

constexpr mode_t kFileMode = 0640;

// The scratch folder: made once, removed with what is left in it when the process exits.
const std::string& ScratchFolder() {
  static const std::string folder = [] {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/fuzz_writeback.XXXXXX";
    if (!mkdtemp(pattern.data())) {
      std::perror("fuzz_writeback: mkdtemp");
      std::abort();
    }
    return pattern;
  }();
  return folder;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(dir))
      if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) names.push_back(entry->d_name);
    closedir(dir);
  }
  return names;
}

void RemoveScratchFolder() {
  const std::string& folder = ScratchFolder();
  for (const std::string& name : FolderEntries(folder)) unlink((folder + "/" + name).c_str());
  rmdir(folder.c_str());
}

bool WriteAll(const std::string& path, const std::uint8_t* data, std::size_t size) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kFileMode);
  if (fd < 0) return false;
  bool written = fchmod(fd, kFileMode) == 0;  // whatever the umask
  for (std::size_t done = 0; written && done < size;) {
    const ssize_t count = write(fd, data + done, size - done);
    written = count > 0;
    if (written) done += static_cast<std::size_t>(count);
  }
  return close(fd) == 0 && written;
}

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return bytes;
  std::uint8_t buffer[65536];
  for (ssize_t count; (count = read(fd, buffer, sizeof buffer)) > 0;) bytes.insert(bytes.end(), buffer, buffer + count);
  close(fd);
  return bytes;
}

// A replaced file: smaller than the input, with its mode, loading without an error and
// showing what the input shows.
void CheckReplaced(const std::uint8_t* data, std::size_t size, const std::vector<std::uint8_t>& written,
                   const std::string& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0 || (status.st_mode & 07777) != kFileMode) __builtin_trap();
  if (written.size() >= size) __builtin_trap();
  TGIFImage original, result;
  if (!fuzz::LoadInput(data, size, original) || !fuzz::LoadInput(written.data(), written.size(), result))
    __builtin_trap();
  bool same = false;
  try {
    same = CompareShows(original, result).Same;
  } catch (const std::exception&) {
  }
  if (!same) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ScratchFolder();
  std::atexit(RemoveScratchFolder);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!fuzz::FitsOptimizeBudget(data, size)) return -1;

  static TFileOptimizer optimizer(false), thorough(true);
  const std::string path = ScratchFolder() + "/input.gif";
  if (!WriteAll(path, data, size)) {
    std::perror("fuzz_writeback: writing the input");
    std::abort();
  }
  const bool useThorough = size > 0 && (data[size - 1] & 15) == 15;
  TFileOutcome outcome;
  try {
    outcome = (useThorough ? thorough : optimizer).Process(path, true);
  } catch (const std::exception&) {
    outcome.Written = false;  // a read or write error: the file must be as it was
  }

  const std::vector<std::string> entries = FolderEntries(ScratchFolder());
  if (entries.size() != 1 || entries[0] != "input.gif") __builtin_trap();
  const std::vector<std::uint8_t> after = ReadAll(path);
  const bool untouched = after.size() == size && std::equal(after.begin(), after.end(), data);
  if (!untouched) {
    if (!outcome.Written) __builtin_trap();
    CheckReplaced(data, size, after, path);
  }
  unlink(path.c_str());
  return 0;
}
