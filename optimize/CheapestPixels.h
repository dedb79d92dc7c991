#pragma once
// Choosing, where a pixel may show what is on screen either through transparency or with
// its own color, the value the LZW encoder codes shorter.

#include "gif/GIFImage.h"

namespace lumvane {

// How hard the choice works: by default one way of breaking ties and a short search;
// thorough, several ways per frame (the shortest result kept) and a deep search.
enum class TChoiceEffort { Default, Thorough };

// TGIFSubImage::ChooseCheapestPixels for every image frame of the document, with the screen
// each frame is painted on. Returns the number of frames changed. Fails as TCompositor::Next.
int ChooseCheapestPixels(TGIFImage& image, TChoiceEffort effort = TChoiceEffort::Default);

}  // namespace lumvane
