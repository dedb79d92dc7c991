// Composites and compares documents. The input is one GIF, or two when a second signature
// follows the first header. Traps when a comparison contradicts itself: a document must show
// the same as its copy and as its frames rebuilt from its pictures, and one read without a
// warning as itself saved and loaded again; two documents must compare alike both ways
// round. A single document is also
// optimized and compared with its original, which must not fail other than with the
// library's documented errors.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>

#include "base/Stream.h"
#include "fuzz/FuzzBudget.h"
#include "fuzz/FuzzInput.h"
#include "gif/GIFImage.h"
#include "optimize/Compositor.h"
#include "optimize/FrameRebuild.h"

using namespace lumvane;

namespace {

// Whether the documents show the same; nothing when they cannot be composited (a canvas
// larger than the compositor takes).
std::optional<bool> ShowSame(const TGIFImage& a, const TGIFImage& b) {
  try {
    return CompareShows(a, b).Same;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

void ExpectSame(const TGIFImage& a, const TGIFImage& b) {
  if (ShowSame(a, b) == false) __builtin_trap();
}

// The document against its copy, itself saved and loaded, and its rebuilt frames. A damaged
// document may hold what no file can say (a control block whose image is missing, for one),
// so its saved copy may show something else.
void CheckAgainstItself(TGIFImage& image, bool damaged) {
  TGIFImage copy;
  copy.WarningHandler = fuzz::IgnoreWarnings;
  try {
    copy.CopyFrom(&image);
  } catch (const std::exception&) {
    return;
  }
  ExpectSame(image, copy);

  TMemoryStream saved;
  try {
    image.SaveToStream(saved);
  } catch (const std::exception&) {
    return;
  }
  saved.SetPosition(0);
  TGIFImage reloaded;
  reloaded.WarningHandler = fuzz::IgnoreWarnings;
  try {
    reloaded.LoadFromStream(saved);
  } catch (const std::exception&) {
    __builtin_trap();  // our own output must load
  }
  if (!damaged) ExpectSame(image, reloaded);

  TGIFImage rebuilt;
  bool built = false;
  try {
    built = RebuildFrames(image, rebuilt);
  } catch (const std::exception&) {
  }
  if (built) ExpectSame(image, rebuilt);
}

// "GIF" in any case, as the reader takes it.
bool IsSignature(const std::uint8_t* bytes) {
  const auto upper = [](std::uint8_t c) { return c >= 'a' && c <= 'z' ? c - 32 : c; };
  return upper(bytes[0]) == 'G' && upper(bytes[1]) == 'I' && upper(bytes[2]) == 'F';
}

// Where the second document's signature starts, or size when there is none.
std::size_t SecondSignature(const std::uint8_t* data, std::size_t size) {
  for (std::size_t at = 13; at + 13 <= size; ++at)
    if (IsSignature(data + at) && data[at + 3] == '8') return at;
  return size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::size_t split = SecondSignature(data, size);
  if (!fuzz::FitsOptimizeBudget(data, split) || !fuzz::FitsOptimizeBudget(data + split, size - split)) return -1;

  TGIFImage first;
  bool damaged = false;
  if (!fuzz::LoadInput(data, split, first, &damaged)) return 0;
  CheckAgainstItself(first, damaged);

  if (split < size) {
    TGIFImage second;
    if (!fuzz::LoadInput(data + split, size - split, second)) return 0;
    const std::optional<bool> forward = ShowSame(first, second), backward = ShowSame(second, first);
    if (forward && backward && *forward != *backward) __builtin_trap();
    return 0;
  }

  TGIFImage optimized;
  optimized.WarningHandler = fuzz::IgnoreWarnings;
  try {
    optimized.CopyFrom(&first);
    optimized.OptimizeDocument(0x1F, reduceNone, ditherNearest, 8);
  } catch (const std::exception&) {
    return 0;
  }
  ShowSame(first, optimized);
  return 0;
}
