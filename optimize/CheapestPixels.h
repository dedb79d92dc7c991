#pragma once
// Choosing, where a pixel may show what is on screen either through transparency or with
// its own color, the value the LZW encoder codes shorter.

#include <cstdint>
#include <functional>

#include "gif/GIFImage.h"

namespace lumvane {

// How hard the choice works: by default one way of breaking ties and a short search;
// thorough, several ways per frame (the shortest result kept) and a deep search.
enum class TChoiceEffort { Default, Thorough };

// Reads row y of a canvas area into out (as TCompositor::ReadCanvas).
using TCanvasRowReader = std::function<void(int y, std::uint32_t* out)>;

// What the choice did with a frame: nothing to choose; kept the choice; or not, because it
// coded longer, or even 5% longer or more.
enum class TPixelChoiceResult { NothingToChoose, Kept, Rejected, RejectedByFar };

// Pixels that repeat the color below them (the canvas as TCompositor paints it under the
// frame's rectangle cut to the canvas: belowWidth × belowHeight pixels from the frame's
// top-left one, row y read by readBelow) may show it through transparency, and transparent
// pixels may take the color below: each such pixel gets the value that lets the LZW encoder
// send the longest strings (ChooseLongestStrings), and the transparent index moves to the
// lowest index no opaque pixel uses. Thorough tries several ways of breaking ties and
// searches deeper. Kept only when the frame saves smaller; then the frame's pixels, its
// transparency and its control block (added when it has none) change, nothing else.
TPixelChoiceResult ChooseFramePixels(TGIFSubImage& frame, const TCanvasRowReader& readBelow, int belowWidth,
                                     int belowHeight, TChoiceEffort effort);

// ChooseFramePixels for every image frame of the document, with the screen each frame is
// painted on. Returns the number of frames changed. Fails as TCompositor::Next.
int ChooseCheapestPixels(TGIFImage& image, TChoiceEffort effort = TChoiceEffort::Default);

}  // namespace lumvane
