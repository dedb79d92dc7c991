#include "app/FileWriting.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "gif/Errors.h"

namespace lumvane {
namespace {

std::string ErrorText(const std::string& path) {
  return "Cannot write file \"" + path + "\". " + std::strerror(errno);
}

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

void WriteFileReplacing(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const std::filesystem::path target(path);
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  std::string hidden = ".";
  hidden += target.filename().string();
  hidden += ".XXXXXX";
  std::string temporary = (folder / hidden).string();
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) throw EWriteError(ErrorText(path));

  struct stat existing {};
  const mode_t mode = ::stat(path.c_str(), &existing) == 0 ? existing.st_mode & 07777 : NewFileMode();
  bool ok = ::fchmod(fd, mode) == 0;
  for (std::size_t done = 0; ok && done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<std::size_t>(n);
  }
  ok = ok && ::fsync(fd) == 0;
  const int savedErrno = errno;
  ok = (::close(fd) == 0) && ok;
  if (ok && ::rename(temporary.c_str(), path.c_str()) == 0) return;
  if (errno == 0) errno = savedErrno;
  const std::string message = ErrorText(path);
  ::unlink(temporary.c_str());
  throw EWriteError(message);
}

}  // namespace lumvane
