#pragma once
// The pixel copier behind the canvas's stretched and masked drawing.

#include "base/Types.h"

namespace lumvane {

class TBitmap;

// Copies sourceRect of source into dest of target, nearest pixel, within clip (already
// inside the target's bounds). Destination pixels mapping outside the source, or onto a set
// bit of mask (a 1-bit bitmap stretched over the whole of dest), keep their color.
void StretchBlit(TBitmap& target, const TRect& clip, const TRect& dest, const TBitmap& source,
                 const TRect& sourceRect, const TBitmap* mask);

}  // namespace lumvane
