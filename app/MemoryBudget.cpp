#include "app/MemoryBudget.h"

#include <unistd.h>

#include <algorithm>

#include "base/Stream.h"
#include "gif/BlockScan.h"
#include "gif/GIFSubImage.h"

namespace lumvane {
namespace {

// Measured with bench/cost-growth: a file's peak stays under about 5 bytes per pixel (the
// document read twice, each with a canvas of one-byte values where its frames paint; 10
// when its colors are too many for two-byte values) and 125
// per file byte (a frame of one pixel takes 23 bytes of the file and nearly 3 KB of memory:
// its objects in both documents and a canvas tile in each), beside the program's own.
constexpr std::int64_t kPeakBytesPerPixel = 12;
constexpr std::int64_t kPeakBytesPerFileByte = 128;
constexpr std::int64_t kPeakBaseBytes = std::int64_t{16} << 20;

}  // namespace

TMemoryBudget::TClaim::TClaim(TMemoryBudget& budget, std::int64_t bytes) : budget_(budget), bytes_(bytes) {
  std::unique_lock lock(budget.lock_);
  const std::uint64_t ticket = budget.nextTicket_++;
  budget.changed_.wait(lock, [&] {
    return ticket == budget.serving_ && (budget.held_ == 0 || budget.held_ + bytes <= budget.total_);
  });
  budget.held_ += bytes;
  ++budget.serving_;
  budget.changed_.notify_all();
}

TMemoryBudget::TClaim::~TClaim() {
  std::lock_guard lock(budget_.lock_);
  budget_.held_ -= bytes_;
  budget_.changed_.notify_all();
}

TMemoryBudget& ProcessMemoryBudget() {
  static TMemoryBudget budget(std::max<std::int64_t>(std::int64_t{sysconf(_SC_PHYS_PAGES)} * sysconf(_SC_PAGESIZE) / 2,
                                                     kPeakBaseBytes));
  return budget;
}

std::int64_t EstimatedPeakBytes(TStream& file) {
  const std::int64_t position = file.Position();
  file.SetPosition(0);
  const std::int64_t size = file.Size();
  const std::int64_t pixels = std::min(ScanFile(file).FramePixels(), MaxFilePixels(size));
  file.SetPosition(position);
  return kPeakBytesPerPixel * pixels + kPeakBytesPerFileByte * size + kPeakBaseBytes;
}

}  // namespace lumvane
