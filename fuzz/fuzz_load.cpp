// Loads arbitrary bytes as a GIF document. The library's documented errors are exceptions
// derived from std::exception; any other outcome (a crash, a sanitizer report, a hang or
// runaway memory) is a finding.

#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzBudget.h"
#include "fuzz/FuzzInput.h"

using namespace lumvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::TDeclaredSizes sizes = fuzz::DeclaredSizes(data, size);
  if (sizes.LargestFrame > fuzz::kLoadFramePixels || sizes.FramePixels > fuzz::kLoadDocumentPixels) return -1;

  TGIFImage image;
  fuzz::LoadInput(data, size, image);
  return 0;
}
