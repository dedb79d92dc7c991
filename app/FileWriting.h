#pragma once
// Writing a file so that it is never left half-written.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gif/Stream.h"

namespace lumvane {

// A file written in place of another. The bytes go to an unnamed file in the target's
// folder, which takes the target's name only on Commit; until then the target is untouched,
// and when the writing fails, the stream is dropped or the process dies, nothing is left
// behind. (On a file system without unnamed files a hidden temporary name is used instead,
// which a killed process would leave.) Write errors raise EWriteError with the system's text.
class TReplacingFileStream : public TStream {
public:
  explicit TReplacingFileStream(std::string path);
  ~TReplacingFileStream() override;
  TReplacingFileStream(const TReplacingFileStream&) = delete;
  TReplacingFileStream& operator=(const TReplacingFileStream&) = delete;

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  // Only the position can be asked for: the file is written front to back.
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() const override { return size_; }

  // Makes the written bytes the target, with the target's permissions when it existed (new
  // files: 0666 less the umask).
  void Commit();

private:
  [[noreturn]] void Fail() const;

  std::string path_;
  std::string temporaryName_;  // empty for an unnamed file
  int fd_ = -1;
  std::int64_t size_ = 0;
};

// The stream the bytes are written through, given the file's; tests wrap it to make it fail.
using TWriteFilter = std::function<std::unique_ptr<TStream>(TStream& file)>;

// Writes the bytes in place of path as above. On failure path is untouched and the error
// (EWriteError for the file's own) passes on.
void WriteFileReplacing(const std::string& path, const std::vector<std::uint8_t>& bytes,
                        const TWriteFilter& filter = {});

}  // namespace lumvane
