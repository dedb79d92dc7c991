// Loads arbitrary bytes, optimizes the document (every step; and every step but merging on
// a copy), saves it and loads what was saved. Our own output must load without an error:
// if it does not, the target traps.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

#include "fuzz/FuzzBudget.h"
#include "fuzz/FuzzInput.h"
#include "gif/GIFImage.h"
#include "gif/Stream.h"

using namespace lumvane;

namespace {

// Saves the document and loads the bytes again; a failed save is fine when it is one of
// the library's documented errors (the save is refused), a failed reload never is.
void SaveAndReload(TGIFImage& image) {
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
    __builtin_trap();
  }
  if (reloaded.Frames.Count() > image.Frames.Count()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::TDeclaredSizes sizes = fuzz::DeclaredSizes(data, size);
  // Optimizing and saving walk every frame, and frames of no size take the screen size.
  if (sizes.FramePixels > fuzz::kRoundTripPixels || (sizes.Frames + 1) * sizes.Screen > fuzz::kRoundTripPixels)
    return -1;

  TGIFImage image;
  if (!fuzz::LoadInput(data, size, image)) return 0;

  TGIFImage copy;
  copy.WarningHandler = fuzz::IgnoreWarnings;
  try {
    copy.CopyFrom(&image);
  } catch (const std::exception&) {
  }

  bool optimized = true;
  try {
    image.OptimizeDocument(0x1F, reduceNone, ditherNearest, 8);
  } catch (const std::exception&) {
    optimized = false;
  }
  if (optimized) SaveAndReload(image);

  optimized = true;
  try {
    copy.OptimizeDocument(0x1D, reduceNone, ditherNearest, 8);
  } catch (const std::exception&) {
    optimized = false;
  }
  if (optimized) SaveAndReload(copy);
  return 0;
}
