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

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

std::string FolderOf(const std::string& path) {
  const std::filesystem::path target(path);
  return target.has_parent_path() ? target.parent_path().string() : ".";
}

// A free hidden name beside the target, for a file system without unnamed files and for
// giving the unnamed file a name just before it replaces the target.
std::string HiddenNameBeside(const std::string& path) {
  std::string name = ".";
  name += std::filesystem::path(path).filename().string();
  name += ".XXXXXX";
  return (std::filesystem::path(FolderOf(path)) / name).string();
}

}  // namespace

TReplacingFileStream::TReplacingFileStream(std::string path) : path_(std::move(path)) {
  // An unnamed file is named later through /proc; without it, or without file-system
  // support, a hidden temporary name serves.
  if (::access("/proc/self/fd", X_OK) == 0)
    fd_ = ::open(FolderOf(path_).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  else
    errno = EOPNOTSUPP;
  if (fd_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
    temporaryName_ = HiddenNameBeside(path_);
    fd_ = ::mkostemp(temporaryName_.data(), O_CLOEXEC);
  }
  if (fd_ < 0) Fail();
}

TReplacingFileStream::~TReplacingFileStream() {
  if (fd_ >= 0) ::close(fd_);
  if (!temporaryName_.empty()) ::unlink(temporaryName_.c_str());
}

void TReplacingFileStream::Fail() const {
  throw EWriteError("Cannot write file \"" + path_ + "\". " + std::strerror(errno));
}

std::size_t TReplacingFileStream::Read(void*, std::size_t) { return 0; }

std::size_t TReplacingFileStream::Write(const void* buffer, std::size_t count) {
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  for (std::size_t done = 0; done < count;) {
    const ssize_t n = ::write(fd_, bytes + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      Fail();
    }
    done += static_cast<std::size_t>(n);
    size_ += n;
  }
  return count;
}

std::int64_t TReplacingFileStream::Seek(std::int64_t, TSeekOrigin) { return size_; }

void TReplacingFileStream::Commit() {
  struct stat existing {};
  const mode_t mode = ::stat(path_.c_str(), &existing) == 0 ? existing.st_mode & 07777 : NewFileMode();
  if (::fchmod(fd_, mode) != 0 || ::fsync(fd_) != 0) Fail();
  if (temporaryName_.empty()) {
    // The unnamed file gets a hidden name first: only a rename replaces a file in one step.
    std::string name = HiddenNameBeside(path_);
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0;; ++attempt) {
      const std::string candidate = name.substr(0, name.size() - 6) + std::to_string(::getpid()) + "-" +
                                    std::to_string(attempt);
      if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        temporaryName_ = candidate;
        break;
      }
      if (errno != EEXIST || attempt == 100) Fail();
    }
  }
  const int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0 || ::rename(temporaryName_.c_str(), path_.c_str()) != 0) Fail();
  temporaryName_.clear();  // it is the target now
}

void WriteFileReplacing(const std::string& path, const std::vector<std::uint8_t>& bytes, const TWriteFilter& filter) {
  TReplacingFileStream file(path);
  if (filter)
    filter(file)->WriteBuffer(bytes.data(), bytes.size());
  else
    file.WriteBuffer(bytes.data(), bytes.size());
  file.Commit();
}

}  // namespace lumvane
