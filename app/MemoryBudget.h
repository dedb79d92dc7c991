#pragma once
// Memory shared by the workers of a batch run: each file claims what optimizing it may need
// at its peak, and claims are granted in turn only while they fit together, so that --jobs
// cannot multiply the peaks of large files beyond the machine's memory.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "base/Stream.h"

namespace lumvane {

class TMemoryBudget {
public:
  explicit TMemoryBudget(std::int64_t bytes) : total_(bytes) {}

  // Held while a file is worked on; gives its bytes back when it ends.
  class TClaim {
  public:
    TClaim(TMemoryBudget& budget, std::int64_t bytes);
    ~TClaim();
    TClaim(const TClaim&) = delete;
    TClaim& operator=(const TClaim&) = delete;

  private:
    TMemoryBudget& budget_;
    std::int64_t bytes_;
  };

  // Waits, in the order claims come, until bytes fit beside the claims held; a claim of
  // more than the whole budget waits until no other is held.
  TClaim Claim(std::int64_t bytes) { return TClaim(*this, bytes); }

private:
  std::mutex lock_;
  std::condition_variable changed_;
  const std::int64_t total_;
  std::int64_t held_ = 0;
  std::uint64_t nextTicket_ = 0;
  std::uint64_t serving_ = 0;
};

// The budget of this process: half the machine's physical memory.
TMemoryBudget& ProcessMemoryBudget();

// What optimizing the file may need at its peak, from the pixels its image descriptors
// declare (as far as the file's pixel limit lets it be read) and its size. A file that
// cannot be read as a GIF counts as small: loading it fails early. Reads the stream from
// its start and leaves the position where it was.
std::int64_t EstimatedPeakBytes(TStream& file);

}  // namespace lumvane
