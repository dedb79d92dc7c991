#include "base/Stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "base/Buffers.h"
#include "base/Errors.h"

namespace lumvane {

void TStream::WriteBuffer(const void* buffer, std::size_t count) {
  if (Write(buffer, count) != count) throw EWriteError(kStreamWriteErrorText);
}

namespace {
std::int64_t ClampedTarget(std::int64_t base, std::int64_t offset, std::int64_t size) {
  return std::clamp<std::int64_t>(base + offset, 0, size);
}
}  // namespace

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
  const std::size_t n = std::min(count, data_.size() - position_);
  if (n > 0) std::memcpy(buffer, data_.data() + position_, n);
  position_ += n;
  return n;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count) {
  if (count == 0) return 0;
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  const std::size_t overlap = std::min(count, data_.size() - position_);
  if (overlap > 0) std::memcpy(data_.data() + position_, bytes, overlap);
  const std::size_t needed = position_ + count;
  if (needed > data_.capacity()) ReserveBuffer(data_, std::max(needed, 2 * data_.capacity()));
  data_.insert(data_.end(), bytes + overlap, bytes + count);
  position_ += count;
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  const std::int64_t base = origin == TSeekOrigin::Beginning ? 0
                            : origin == TSeekOrigin::Current ? static_cast<std::int64_t>(position_)
                                                             : Size();
  position_ = static_cast<std::size_t>(ClampedTarget(base, offset, Size()));
  return static_cast<std::int64_t>(position_);
}

std::vector<std::uint8_t> TMemoryStream::TakeBytes() {
  position_ = 0;
  return std::exchange(data_, {});
}

void TMemoryStream::Clear() {
  data_.clear();
  position_ = 0;
}

namespace {

[[noreturn]] void FailOpening(const std::string& path, TFileMode mode, const char* reason) {
  const char* verb = mode == TFileMode::OpenRead ? "open" : "create";
  throw EFOpenError(kCannotOpenFileText + std::string(verb) + " file \"" + path + "\". " + reason);
}

// Opens a file for reading only when it is a regular file: a pipe, device or socket would
// block or never end. Opening does not wait for a pipe's writer. Returns the descriptor, in
// blocking mode, and the file's size.
int OpenRegularFile(const std::string& path, std::int64_t& size) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) FailOpening(path, TFileMode::OpenRead, std::strerror(errno));
  struct stat info {};
  const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  if (!regular || ::fcntl(fd, F_SETFL, 0) != 0) {
    const int error = errno;
    ::close(fd);
    FailOpening(path, TFileMode::OpenRead,
                !regular ? (S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "Not a regular file") : std::strerror(error));
  }
  size = info.st_size;
  return fd;
}

std::FILE* OpenRegularStdioFile(const std::string& path) {
  std::int64_t size = 0;
  const int fd = OpenRegularFile(path, size);
  std::FILE* file = ::fdopen(fd, "rb");
  if (!file) {
    const int error = errno;
    ::close(fd);
    FailOpening(path, TFileMode::OpenRead, std::strerror(error));
  }
  return file;
}

}  // namespace

TFileStream::TFileStream(const std::string& path, TFileMode mode) {
  file_ = mode == TFileMode::OpenRead ? OpenRegularStdioFile(path) : std::fopen(path.c_str(), "wb");
  if (!file_) FailOpening(path, mode, std::strerror(errno));
}

TFileStream::~TFileStream() { std::fclose(file_); }

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
  return std::fread(buffer, 1, count, file_);
}

std::size_t TFileStream::Write(const void* buffer, std::size_t count) {
  return std::fwrite(buffer, 1, count, file_);
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  const std::int64_t base = origin == TSeekOrigin::Beginning ? 0
                            : origin == TSeekOrigin::Current ? std::ftell(file_)
                                                             : Size();
  std::fseek(file_, static_cast<long>(ClampedTarget(base, offset, Size())), SEEK_SET);
  return std::ftell(file_);
}

std::int64_t TFileStream::Size() const {
  const long here = std::ftell(file_);
  std::fseek(file_, 0, SEEK_END);
  const long size = std::ftell(file_);
  std::fseek(file_, here, SEEK_SET);
  return size;
}

// Read straight into the content with the size the open file reports: a handful of system
// calls, where a buffered stream would seek and stat several times per file.
void TMemoryStream::LoadFromFile(const std::string& path) {
  std::int64_t size = 0;
  const int fd = OpenRegularFile(path, size);
  std::vector<std::uint8_t> bytes = FilledBuffer(static_cast<std::size_t>(size), 0);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (done != bytes.size()) throw EReadError(kStreamReadErrorText);
  data_ = std::move(bytes);
  position_ = 0;
}

}  // namespace lumvane
