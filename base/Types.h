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

// Color reduction choices (one byte each).
enum TReductionMethod : std::uint8_t {
  reduceNone = 0,
  reduceWindows20 = 1,
  reduceWindowsHalftone = 2,
  reduceWindowsGray = 3,
  reduceMonochrome = 4,
  reduceGrayScale = 5,
  reduceNetscape = 6,
  reduceQuantize = 7,
  reduceQuantizeWindows = 8,
  reduceCustomPalette = 9,
};
enum TDitherKind : std::uint8_t {
  ditherNearest = 0,
  ditherFloydSteinberg = 1,
  ditherStucki = 2,
  ditherSierra = 3,
  ditherJaJuNi = 4,
  ditherSteveArche = 5,
  ditherBurkes = 6,
};

// The steps of document optimization, one bit each.
using TOptimizeOptionSet = std::uint8_t;
constexpr TOptimizeOptionSet optCropFrames = 1;
constexpr TOptimizeOptionSet optMergeFrames = 2;
constexpr TOptimizeOptionSet optRemoveRedundant = 4;
constexpr TOptimizeOptionSet optPackColorMaps = 8;
constexpr TOptimizeOptionSet optReduceColors = 16;

// Red in bits 0..7, green in 8..15, blue in 16..23.
using TColor = std::uint32_t;

struct TRect {
  std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool IsEmpty() const { return Left >= Right || Top >= Bottom; }
  bool operator==(const TRect&) const = default;
  bool Contains(const TRect& inner) const {
    return Left <= inner.Left && Top <= inner.Top && inner.Right <= Right && inner.Bottom <= Bottom;
  }
};

inline TRect Intersection(const TRect& a, const TRect& b) {
  return {a.Left > b.Left ? a.Left : b.Left, a.Top > b.Top ? a.Top : b.Top, a.Right < b.Right ? a.Right : b.Right,
          a.Bottom < b.Bottom ? a.Bottom : b.Bottom};
}

// The smallest rectangle holding both; an empty one adds nothing.
inline TRect Union(const TRect& a, const TRect& b) {
  if (a.IsEmpty()) return b;
  if (b.IsEmpty()) return a;
  return {a.Left < b.Left ? a.Left : b.Left, a.Top < b.Top ? a.Top : b.Top, a.Right > b.Right ? a.Right : b.Right,
          a.Bottom > b.Bottom ? a.Bottom : b.Bottom};
}

enum class TProgressStage { Starting = 0, Running = 1, Ending = 2 };

using TProgressEvent = std::function<void(const TPersistent* sender, TProgressStage stage,
                                          int percent, bool redrawNow, const TRect& rect,
                                          const std::string& message)>;

using TGIFWarningEvent =
    std::function<void(const TPersistent* sender, int severity, const std::string& message)>;
// Warning severities. A notice says the file is intact and was read whole, only something
// in it was kept without being interpreted; every other warning means damage worked around.
constexpr int kSeverityNotice = 0;
constexpr int kSeverityDamage = 1;

// value × numerator / denominator, rounded to the nearest integer (halves away from zero);
// 0 for a denominator of 0.
inline std::int64_t MulDiv(std::int64_t value, std::int64_t numerator, std::int64_t denominator) {
  if (denominator == 0) return 0;
  const std::int64_t product = value * numerator;
  const std::int64_t half = denominator / 2;
  return (product >= 0 ? product + half : product - half) / denominator;
}

// a × 100 / b, rounded to the nearest integer, halves up.
inline int Percent(std::int64_t a, std::int64_t b) {
  return b == 0 ? 0 : static_cast<int>((a * 200 / b + 1) / 2);
}

}  // namespace lumvane
