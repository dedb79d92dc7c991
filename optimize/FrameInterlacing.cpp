#include "optimize/FrameInterlacing.h"

#include "base/Stream.h"
#include "optimize/Compositor.h"

namespace lumvane {

int ChooseInterlacing(TGIFImage& image) {
  int changed = 0;
  for (auto& frame : image.Frames) {
    if (!HoldsImage(*frame) || frame->FrameHeight() < 3 || frame->PixelCount() > kInterlaceTrialPixels ||
        frame->LocalColorMap().Count() > 0)
      continue;
    // The frame keeps both codings: the one it ends with is not made again when saved.
    TMemoryStream own, other;
    frame->EncodePixels(own);
    frame->SetInterlaced(!frame->IsInterlaced());
    frame->EncodePixels(other);
    if (other.Size() < own.Size())
      ++changed;
    else
      frame->SetInterlaced(!frame->IsInterlaced());
  }
  return changed;
}

}  // namespace lumvane
