#pragma once
// Small value types shared across the library.

#include <cstdint>
#include <functional>
#include <string>

namespace lumvane {

// Root of every object that takes part in copying and that can send warnings or progress.
class TPersistent {
public:
  virtual ~TPersistent() = default;
};

enum TGIFVersion : int { VersionUnknown = 0, Version87a = 1, Version89a = 2 };

// Red in bits 0..7, green in 8..15, blue in 16..23.
using TColor = std::uint32_t;

struct TRect {
  std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};

enum class TProgressStage { Starting = 0, Running = 1, Ending = 2 };

using TProgressEvent = std::function<void(const TPersistent* sender, TProgressStage stage,
                                          int percent, bool redrawNow, const TRect& rect,
                                          const std::string& message)>;

using TGIFWarningEvent =
    std::function<void(const TPersistent* sender, int severity, const std::string& message)>;

// a × 100 / b, rounded to the nearest integer, halves up.
inline int Percent(std::int64_t a, std::int64_t b) {
  return b == 0 ? 0 : static_cast<int>((a * 200 / b + 1) / 2);
}

}  // namespace lumvane
