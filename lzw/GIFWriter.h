#pragma once
// Collects bytes into data sub-blocks of at most 255 bytes for a target stream.

#include <cstdint>

#include "base/Stream.h"

namespace lumvane {

// A stream adapter that only collects bytes for its target: reading, writing and seeking
// the adapter itself fail with "Invalid stream operation".
class TGIFStream : public TStream {
public:
  explicit TGIFStream(TStream& target) : target_(target) {}

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() const override;

protected:
  TStream& target_;
  std::uint8_t buffer_[256] = {};  // byte 0: sub-block length; 1..255: data
  int fill_ = 1;
};

class TGIFWriter : public TGIFStream {
public:
  using TGIFStream::TGIFStream;

  std::size_t Write(const void* buffer, std::size_t count) override;
  void PutByte(std::uint8_t byte) {
    dirty_ = true;
    buffer_[fill_++] = byte;
    if (fill_ == 256) FlushSubBlock();
  }
  // Sends the collected bytes as one sub-block.
  void FlushSubBlock();
  // Sends what is still collected; the owner calls it when the data is complete.
  void Finish() {
    if (dirty_) FlushSubBlock();
  }

private:
  bool dirty_ = false;
};

}  // namespace lumvane
