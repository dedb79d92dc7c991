#pragma once
// Rebuilding a document's frames from the pictures it shows: each frame draws only the
// rectangle that changes from the picture before, with transparency where the screen
// already shows the right color, and clears its rectangle afterwards only when the next
// picture needs pixels to turn transparent again.

#include "gif/GIFImage.h"

namespace lumvane {

// Replaces target's content with a document that shows what source shows: same canvas,
// pictures, times and loop count, built frame by frame from source's composited pictures.
// Each frame of an animation keeps the delay its picture's frame was written with.
// Comments and foreign blocks are not carried over. Returns false, with target cleared,
// when no such document is built: source shows nothing or cannot be composited, its screen
// is too large or its pictures too many to rebuild at a cost near the frames' own, a picture
// of an animation stays longer than 65535 hundredths or merges frames whose delays add up
// differently with and without browsers' raising of delays 0 and 1 to 10, or a frame would
// need more than 256 colors. Callers verify the result (CompareShows) before they use it.
bool RebuildFrames(const TGIFImage& source, TGIFImage& target);

}  // namespace lumvane
