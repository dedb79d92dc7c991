#include "app/FileWriting.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>

namespace lumvane {
namespace {

// Temporary names carry the writing process: ".NAME.lumvane-PID-SUFFIX".
constexpr const char* kTemporaryTag = ".lumvane-";

[[noreturn]] void FailWriting(const std::string& path, int error) { throw WriteError(path, std::strerror(error)); }

// The process umask, read without changing it: other threads may be creating files.
mode_t ProcessUmask() {
  static const mode_t mask = [] {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
      if (line.starts_with("Umask:")) return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    const mode_t read = ::umask(0);  // no /proc: the classic way, once
    ::umask(read);
    return read;
  }();
  return mask;
}

std::string FolderOf(const std::string& path) {
  const std::filesystem::path target(path);
  return target.has_parent_path() ? target.parent_path().string() : ".";
}

// The name is shortened so that the whole stays within the longest name a folder allows.
std::string TemporaryPrefix(const std::string& path) {
  const std::string name = std::filesystem::path(path).filename().string().substr(0, 200);
  return (std::filesystem::path(FolderOf(path)) / ("." + name + kTemporaryTag + std::to_string(::getpid()) + "-"))
      .string();
}

// The process that wrote a temporary file of ours, or 0 for any other name.
pid_t WriterOfTemporary(const std::string& name) {
  const std::size_t tag = name.rfind(kTemporaryTag);
  if (name.empty() || name[0] != '.' || tag == std::string::npos) return 0;
  const char* digits = name.c_str() + tag + std::strlen(kTemporaryTag);
  char* end = nullptr;
  const long pid = std::strtol(digits, &end, 10);
  return end != digits && *end == '-' && pid > 0 && pid <= INT_MAX ? static_cast<pid_t>(pid) : 0;
}

// Removes the temporary files that processes no longer running left in the folder (killed
// between naming the result and the rename). Once per folder and process: a folder of many
// files is read once, not once per file.
void RemoveLeftovers(const std::string& folder) {
  static std::mutex lock;
  static std::set<std::string> cleaned;
  {
    std::lock_guard guard(lock);
    if (!cleaned.insert(folder).second) return;
  }
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return;
  while (const dirent* entry = ::readdir(dir.get())) {
    const pid_t writer = WriterOfTemporary(entry->d_name);
    if (writer == 0 || writer == ::getpid() || ::kill(writer, 0) == 0 || errno != ESRCH) continue;
    struct stat info {};
    if (::fstatat(::dirfd(dir.get()), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode))
      ::unlinkat(::dirfd(dir.get()), entry->d_name, 0);
  }
}

// Makes a rename in the folder durable.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);  // best effort: the file is already in place
  ::close(fd);
}

// Copies every extended attribute (ACLs among them) of the file at from onto fd. Security
// labels the system sets itself are left to it; false when another cannot be copied.
bool CopyExtendedAttributes(const std::string& from, int fd) {
  ssize_t size = ::listxattr(from.c_str(), nullptr, 0);
  if (size < 0) return errno == ENOTSUP;
  if (size == 0) return true;
  std::string names(static_cast<std::size_t>(size), '\0');
  size = ::listxattr(from.c_str(), names.data(), names.size());
  if (size < 0) return false;
  names.resize(static_cast<std::size_t>(size));
  for (std::size_t at = 0; at < names.size(); at = names.find('\0', at) + 1) {
    const char* name = names.c_str() + at;
    const ssize_t length = ::getxattr(from.c_str(), name, nullptr, 0);
    if (length < 0) return false;
    std::string value(static_cast<std::size_t>(length), '\0');
    if (::getxattr(from.c_str(), name, value.data(), value.size()) != length) return false;
    if (::fsetxattr(fd, name, value.data(), value.size(), 0) != 0 && !std::string_view(name).starts_with("security."))
      return false;
  }
  return true;
}

// Whether the user running the program may write the file, judged by its own permission:
// root only where the mode lets the owner write.
bool MayWrite(const std::string& path, const struct stat& info) {
  if (::geteuid() == 0) return (info.st_mode & S_IWUSR) != 0;
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

TFileIdentity IdentityFrom(const struct stat& info) {
  return {info.st_dev, info.st_ino, info.st_size,
          std::int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec};
}

// The file a path names: links followed; a path naming nothing yet stays as it is.
std::string ResolvedTarget(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (!resolved) return path;
  std::string target = resolved;
  std::free(resolved);
  return target;
}

}  // namespace

EWriteError WriteError(const std::string& path, const std::string& reason) {
  return EWriteError("Cannot write file \"" + path + "\". " + reason);
}

std::optional<TFileIdentity> IdentityOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return IdentityFrom(info);
}

TReplacingFileStream::TReplacingFileStream(std::string target) : path_(std::move(target)) {
  RemoveLeftovers(FolderOf(path_));
  // An unnamed file is named later through /proc; without it, or without file-system
  // support, a hidden temporary name serves.
  static const bool canNameUnnamed = ::access("/proc/self/fd", X_OK) == 0;
  if (canNameUnnamed)
    fd_ = ::open(FolderOf(path_).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  else
    errno = EOPNOTSUPP;
  if (fd_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
    temporaryName_ = TemporaryPrefix(path_) + "XXXXXX";
    fd_ = ::mkostemp(temporaryName_.data(), O_CLOEXEC);
  }
  if (fd_ < 0) Fail();
}

TReplacingFileStream::~TReplacingFileStream() {
  if (fd_ >= 0) ::close(fd_);
  if (!temporaryName_.empty()) ::unlink(temporaryName_.c_str());
}

void TReplacingFileStream::Fail() const { FailWriting(path_, errno); }

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

bool TReplacingFileStream::TakeAttributesOf(const struct stat& original) {
  // Owner first (changing it clears set-user-ID bits), the mode last (an ACL sets it too).
  struct stat own {};
  if (::fstat(fd_, &own) != 0) Fail();
  if ((own.st_uid != original.st_uid || own.st_gid != original.st_gid) &&
      ::fchown(fd_, original.st_uid, original.st_gid) != 0)
    return false;
  if (!CopyExtendedAttributes(path_, fd_) || ::fchmod(fd_, original.st_mode & 07777) != 0) return false;
  attributesSet_ = true;
  return true;
}

void TFolderSyncs::Add(const std::string& folder) {
  std::lock_guard guard(lock_);
  folders_.insert(folder);
}

void TFolderSyncs::SyncAll() {
  std::set<std::string> folders;
  {
    std::lock_guard guard(lock_);
    folders.swap(folders_);
  }
  for (const std::string& folder : folders) SyncFolder(folder);
}

bool TReplacingFileStream::Commit(const std::function<bool()>& unchanged, TFolderSyncs* folders) {
  if (!attributesSet_ && ::fchmod(fd_, 0666 & ~ProcessUmask()) != 0) Fail();
  if (::fsync(fd_) != 0) Fail();
  if (temporaryName_.empty()) {
    // The unnamed file gets a hidden name first: only a rename replaces a file in one step.
    const std::string prefix = TemporaryPrefix(path_);
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0;; ++attempt) {
      const std::string candidate = prefix + std::to_string(attempt);
      if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        temporaryName_ = candidate;
        break;
      }
      if (errno != EEXIST || attempt == 100) Fail();
    }
  }
  const int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0) Fail();
  if (unchanged && !unchanged()) return false;
  if (::rename(temporaryName_.c_str(), path_.c_str()) != 0) Fail();
  temporaryName_.clear();  // it is the target now
  if (folders)
    folders->Add(FolderOf(path_));
  else
    SyncFolder(FolderOf(path_));
  return true;
}

TWriteBack ReplaceFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
                       const std::optional<TFileIdentity>& expected, const TWriteFilter& filter,
                       TFolderSyncs* folders) {
  const std::string target = ResolvedTarget(path);
  struct stat info {};
  const bool exists = ::stat(target.c_str(), &info) == 0;
  if (!exists && errno != ENOENT) FailWriting(path, errno);
  if (!exists && expected) return TWriteBack::KeptChanged;  // removed meanwhile: not brought back
  if (exists) {
    if (!S_ISREG(info.st_mode)) throw WriteError(path, "Not a regular file");
    if (!MayWrite(target, info)) FailWriting(path, EACCES);
    if (info.st_nlink > 1) return TWriteBack::KeptOtherLinks;
    if (expected && IdentityFrom(info) != *expected) return TWriteBack::KeptChanged;
  }

  TReplacingFileStream file(target);
  if (filter)
    filter(file)->WriteBuffer(bytes.data(), bytes.size());
  else
    file.WriteBuffer(bytes.data(), bytes.size());
  if (exists && !file.TakeAttributesOf(info)) return TWriteBack::KeptOwner;
  // Checked again just before the rename: whatever changed the file meanwhile wins.
  const auto unchanged = [&] {
    struct stat now {};
    return ::stat(target.c_str(), &now) == 0 && now.st_nlink == 1 && IdentityFrom(now) == *expected;
  };
  return file.Commit(expected ? std::function<bool()>(unchanged) : nullptr, folders) ? TWriteBack::Written
                                                                            : TWriteBack::KeptChanged;
}

void WriteFileReplacing(const std::string& path, const std::vector<std::uint8_t>& bytes, const TWriteFilter& filter,
                        TFolderSyncs* folders) {
  switch (ReplaceFile(path, bytes, std::nullopt, filter, folders)) {
    case TWriteBack::Written:
      return;
    case TWriteBack::KeptOtherLinks:
      throw WriteError(path, "It has other hard links");
    case TWriteBack::KeptOwner:
      throw WriteError(path, "Its owner or permissions cannot be kept");
    case TWriteBack::KeptChanged:
      break;
  }
  throw WriteError(path, "It changed while being written");
}

}  // namespace lumvane
