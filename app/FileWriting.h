#pragma once
// Writing a result in place of a user's file, under the write-back contract of the README:
// never half-written, links kept, owner, group, mode and extended attributes kept, a file the
// user may not write or one that changed meanwhile left alone.

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "base/Stream.h"

namespace lumvane {

// What a file was when it was read: a file that no longer matches has changed since.
struct TFileIdentity {
  dev_t Device = 0;
  ino_t Inode = 0;
  off_t Size = 0;
  std::int64_t ModifiedNanoseconds = 0;
  bool operator==(const TFileIdentity&) const = default;
};

// The identity of the file a path names (links followed); none when it cannot be examined.
std::optional<TFileIdentity> IdentityOf(const std::string& path);

// Folders whose renames are made durable together: a run writing many files in a folder
// syncs it once, after the last of them, instead of once per file.
class TFolderSyncs {
public:
  void Add(const std::string& folder);
  // Syncs every folder added since the last call.
  void SyncAll();

private:
  std::mutex lock_;
  std::set<std::string> folders_;
};

// A file written in place of another. The bytes go to an unnamed file in the target's
// folder, which takes the target's name only on Commit; until then the target is untouched,
// and when the writing fails, the stream is dropped or the process dies, nothing is left
// behind. (On a file system without unnamed files a hidden temporary name is used instead;
// a killed process would leave it, and the next run writing in that folder removes it.)
// Write errors raise EWriteError with the system's text.
class TReplacingFileStream : public TStream {
public:
  // target is the file itself, not a link to it.
  explicit TReplacingFileStream(std::string target);
  ~TReplacingFileStream() override;
  TReplacingFileStream(const TReplacingFileStream&) = delete;
  TReplacingFileStream& operator=(const TReplacingFileStream&) = delete;

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  // Only the position can be asked for: the file is written front to back.
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() const override { return size_; }

  // Gives the written file the owner, group, mode and extended attributes of original;
  // false when that is not permitted.
  bool TakeAttributesOf(const struct stat& original);
  // Makes the written bytes durable and the target (new files: mode 0666 less the umask),
  // unless unchanged, asked just before the rename, says the target changed: then nothing
  // is replaced and the result is false. The rename is made durable by syncing the folder,
  // at once, or with folders given, when they are synced.
  bool Commit(const std::function<bool()>& unchanged = {}, TFolderSyncs* folders = nullptr);

private:
  [[noreturn]] void Fail() const;

  std::string path_;
  std::string temporaryName_;  // empty for an unnamed file
  int fd_ = -1;
  std::int64_t size_ = 0;
  bool attributesSet_ = false;
};

// The stream the bytes are written through, given the file's; tests wrap it to make it fail.
using TWriteFilter = std::function<std::unique_ptr<TStream>(TStream& file)>;

// What became of a result meant to replace a file.
enum class TWriteBack {
  Written,
  KeptOtherLinks,  // the file has other hard links, which replacing it would split off
  KeptOwner,       // its owner, group, mode or extended attributes could not be given to the result
  KeptChanged,     // it changed after it was read
};

// Replaces the file path names (through any symbolic links) with bytes. A file the user may
// not write fails with EWriteError ("Permission denied"), as do write errors; expected, when
// given, is the file as it was read. On failure and when kept, the file is untouched. With
// folders, the folder's sync is left to them.
TWriteBack ReplaceFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
                       const std::optional<TFileIdentity>& expected, const TWriteFilter& filter = {},
                       TFolderSyncs* folders = nullptr);

// The error of a file that cannot be written: "Cannot write file "PATH". REASON".
EWriteError WriteError(const std::string& path, const std::string& reason);

// Writes an output file (new, or replacing one as ReplaceFile does); a file that would be
// kept fails with EWriteError saying why.
void WriteFileReplacing(const std::string& path, const std::vector<std::uint8_t>& bytes,
                        const TWriteFilter& filter = {}, TFolderSyncs* folders = nullptr);

}  // namespace lumvane
