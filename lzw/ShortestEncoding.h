#pragma once
// The encoder policies that try several LZW encodings of a frame and keep the shortest.

#include <cstdint>
#include <vector>

#include "base/Cancellation.h"
#include "base/Stream.h"
#include "lzw/FramePixels.h"

namespace lumvane {

// Which encodings are tried beside greedy LZW at its usual clear point.
enum class TEncodingSearch {
  // Those that pay most for their time: a full table kept while it pays, measured over
  // the widest window, when the frame can reach a clear point (pictures with much detail
  // code far shorter so); lookahead on frames of at most kQuickLookaheadPixels (small
  // frames, where it often saves a few bytes and costs little).
  Quick,
  // Every other clear point and every adaptive window when the frame can reach a clear
  // point, and lookahead on every frame.
  Full,
};
constexpr std::int64_t kQuickLookaheadPixels = 16384;

// What TLZWEncoder wrote for a frame (null: not known), and whether its table came to the
// lowest clear point (if not, every clear point and adaptive window codes the frame alike).
struct TGreedyCoding {
  const std::vector<std::uint8_t>* Bytes = nullptr;
  bool ReachedClearPoint = true;
};

// Encodes the frame with each encoding the search tries and writes the shortest (the first
// of equal ones), starting from the frame's greedy coding when it is known already. Fails
// as TGIFEncoder::Encode, writing nothing; throws TCancelled between two encodings once the
// cancellation is cancelled.
void EncodeShortest(TStream& stream, int minCodeSize, int colorCount, const TConstFramePixels& frame,
                    TEncodingSearch search, const TCancellation* cancellation = nullptr,
                    TGreedyCoding greedy = {});

}  // namespace lumvane
