#pragma once
// Seekable byte streams: the abstract base, an in-memory stream and a file stream.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace lumvane {

enum class TSeekOrigin { Beginning, Current, End };

class TStream {
public:
  virtual ~TStream() = default;

  // Reads up to count bytes; returns how many were read (0 at the end of the data).
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Writes count bytes; returns how many were written.
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  // Moves the position; the result is clamped to 0..Size(). Returns the new position.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
  virtual std::int64_t Size() const = 0;

  std::int64_t Position() { return Seek(0, TSeekOrigin::Current); }
  void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::Beginning); }
  // Bytes between the position and the end.
  std::int64_t Remaining() { return Size() - Position(); }
  // Writes all bytes or throws EWriteError.
  void WriteBuffer(const void* buffer, std::size_t count);
};

class TMemoryStream : public TStream {
public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<std::uint8_t> bytes) : data_(std::move(bytes)) {}

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() const override { return static_cast<std::int64_t>(data_.size()); }

  const std::vector<std::uint8_t>& Bytes() const { return data_; }
  std::vector<std::uint8_t> TakeBytes();
  void Clear();
  // Replaces the content with the whole of the named file; position 0.
  void LoadFromFile(const std::string& path);

private:
  std::vector<std::uint8_t> data_;
  std::size_t position_ = 0;
};

enum class TFileMode {
  OpenRead,      // open an existing file for reading; others may read too
  CreateOrTruncate,
};

class TFileStream : public TStream {
public:
  TFileStream(const std::string& path, TFileMode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() const override;

private:
  std::FILE* file_ = nullptr;
};

}  // namespace lumvane
