#pragma once
// The encoder policy of the thorough effort: several LZW encodings of a frame, the shortest
// kept.

#include "base/Cancellation.h"
#include "base/Stream.h"
#include "lzw/FramePixels.h"

namespace lumvane {

// Encodes the frame with greedy LZW at its usual clear point and, when the frame is large
// enough to reach one, at every other clear point and with adaptive clearing, and with one
// string of lookahead; writes the shortest (the first of equal ones). Fails as
// TGIFEncoder::Encode, writing nothing; throws TCancelled between two encodings once the
// cancellation is cancelled.
void EncodeShortest(TStream& stream, int minCodeSize, int colorCount, const TConstFramePixels& frame,
                    const TCancellation* cancellation = nullptr);

}  // namespace lumvane
