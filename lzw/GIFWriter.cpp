#include "lzw/GIFWriter.h"

#include <algorithm>
#include <cstring>

#include "base/Errors.h"

namespace lumvane {

std::size_t TGIFStream::Read(void*, std::size_t) { throw EStreamError(kInvalidStreamOperationText); }
std::size_t TGIFStream::Write(const void*, std::size_t) { throw EStreamError(kInvalidStreamOperationText); }
std::int64_t TGIFStream::Seek(std::int64_t, TSeekOrigin) { throw EStreamError(kInvalidStreamOperationText); }
std::int64_t TGIFStream::Size() const { throw EStreamError(kInvalidStreamOperationText); }

std::size_t TGIFWriter::Write(const void* buffer, std::size_t count) {
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  for (std::size_t left = count; left > 0;) {
    const std::size_t chunk = std::min<std::size_t>(left, 256 - fill_);
    std::memcpy(buffer_ + fill_, bytes, chunk);
    fill_ += static_cast<int>(chunk);
    dirty_ = true;  // also after a flush: these bytes still have to go out
    bytes += chunk;
    left -= chunk;
    if (fill_ == 256) FlushSubBlock();
  }
  return count;
}

void TGIFWriter::FlushSubBlock() {
  if (fill_ > 1) {
    buffer_[0] = static_cast<std::uint8_t>(fill_ - 1);
    target_.WriteBuffer(buffer_, fill_);
  }
  fill_ = 1;
  dirty_ = false;
}

}  // namespace lumvane
