#include "base/Buffers.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace lumvane {

namespace {
// Below this a buffer takes few faults, and the call would cost about as much.
constexpr std::size_t kLargeBuffer = std::size_t{64} << 10;

std::uintptr_t PageSize() {
  static const std::uintptr_t size = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  return size;
}

// Maps in the whole pages of [data, data + bytes), which are about to be written, when the
// range is large enough to pay for the call; does nothing where the system cannot.
void PrepareForWriting(void* data, std::size_t bytes) {
#ifdef MADV_POPULATE_WRITE
  if (bytes < kLargeBuffer) return;
  const std::uintptr_t page = PageSize();
  const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(data) + page - 1) & ~(page - 1);
  const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(page - 1);
  // A kernel without it refuses, and the pages fault in as they are written.
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace

std::vector<std::uint8_t> FilledBuffer(std::size_t count, std::uint8_t fill) {
  std::vector<std::uint8_t> buffer;
  ReserveBuffer(buffer, count);
  buffer.assign(count, fill);
  return buffer;
}

std::vector<std::uint8_t> CopiedBuffer(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::uint8_t> buffer;
  ReserveBuffer(buffer, bytes.size());
  buffer.assign(bytes.begin(), bytes.end());
  return buffer;
}

void MapHeapRoomInLargePages() {
#ifdef MADV_HUGEPAGE
  constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
  void* room = std::malloc(kLargePageRoom);
  if (!room) return;
  const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(room) + kLargePage - 1) & ~(kLargePage - 1);
  const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(room) + kLargePageRoom) & ~(kLargePage - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
  std::free(room);
#endif
}

void ReserveBuffer(std::vector<std::uint8_t>& buffer, std::size_t capacity) {
  if (capacity <= buffer.capacity()) return;
  std::vector<std::uint8_t> larger;
  larger.reserve(capacity);
  PrepareForWriting(larger.data(), capacity);
  larger.assign(buffer.begin(), buffer.end());
  buffer.swap(larger);
}

}  // namespace lumvane
