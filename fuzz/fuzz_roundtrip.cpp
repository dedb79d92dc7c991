// Loads arbitrary bytes, optimizes the document (every step, then the color order and the
// pixel choice of the batch engine; thorough inputs also every step but merging on a copy
// that saves with the shortest of the LZW encoders), saves it and loads what was saved.
// Our own output must load without an error, and the color order and pixel choice must not
// change what the document shows: if either fails, the target traps.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

#include "base/Stream.h"
#include "fuzz/FuzzBudget.h"
#include "fuzz/FuzzInput.h"
#include "gif/GIFImage.h"
#include "optimize/CheapestPixels.h"
#include "optimize/ColorOrder.h"
#include "optimize/Compositor.h"

using namespace lumvane;

namespace {

// Loads bytes the library saved: our own output must load without an error.
void LoadOwnOutput(TMemoryStream& saved, TGIFImage& image) {
  saved.SetPosition(0);
  image.WarningHandler = fuzz::IgnoreWarnings;
  try {
    image.LoadFromStream(saved);
  } catch (const std::exception&) {
    __builtin_trap();
  }
}

// Saves the document and loads the bytes again; a failed save is fine when it is one of
// the library's documented errors (the save is refused), a failed reload never is.
void SaveAndReload(TGIFImage& image) {
  TMemoryStream saved;
  try {
    image.SaveToStream(saved);
  } catch (const std::exception&) {
    return;
  }
  TGIFImage reloaded;
  LoadOwnOutput(saved, reloaded);
  if (reloaded.Frames.Count() > image.Frames.Count()) __builtin_trap();
}

// The batch engine's steps after optimizing, on the document as saved and loaded again (as
// the batch engine compares files): what it shows must stay the same.
void OrderAndChoosePixels(TGIFImage& image, TChoiceEffort effort) {
  TMemoryStream saved;
  try {
    image.SaveToStream(saved);
  } catch (const std::exception&) {
    return;  // a refused save
  }
  TGIFImage before, after;
  LoadOwnOutput(saved, before);
  LoadOwnOutput(saved, after);
  after.CompactCodeSize = true;
  TMemoryStream chosen;
  try {
    OrderColorsForCodeSizes(after);
    ChooseCheapestPixels(after, effort);
    after.SaveToStream(chosen);
  } catch (const std::exception&) {
    return;  // a document the compositor refuses
  }
  TGIFImage reloaded;
  LoadOwnOutput(chosen, reloaded);
  bool same = true;
  try {
    same = CompareShows(before, reloaded).Same;
  } catch (const std::exception&) {
  }
  if (!same) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!fuzz::FitsOptimizeBudget(data, size)) return -1;

  TGIFImage image;
  if (!fuzz::LoadInput(data, size, image)) return 0;
  // The last byte picks the effort: thorough, at tens of times the cost, for one input in
  // sixteen (a file's trailer picks default).
  const bool thorough = size > 0 && (data[size - 1] & 15) == 15;

  TGIFImage copy;
  copy.WarningHandler = fuzz::IgnoreWarnings;
  if (thorough) {
    try {
      copy.CopyFrom(&image);
    } catch (const std::exception&) {
    }
  }

  bool optimized = true;
  try {
    image.OptimizeDocument(0x1F, reduceNone, ditherNearest, 8);
  } catch (const std::exception&) {
    optimized = false;
  }
  if (optimized) {
    OrderAndChoosePixels(image, thorough ? TChoiceEffort::Thorough : TChoiceEffort::Default);
    SaveAndReload(image);
  }
  if (!thorough) return 0;

  // A copy optimized without merging, saved with the shortest of the LZW encoders.
  optimized = true;
  copy.EncoderKind = encodeLZWShortest;
  try {
    copy.OptimizeDocument(0x1D, reduceNone, ditherNearest, 8);
  } catch (const std::exception&) {
    optimized = false;
  }
  if (optimized) SaveAndReload(copy);
  return 0;
}
