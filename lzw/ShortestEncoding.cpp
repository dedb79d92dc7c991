#include "lzw/ShortestEncoding.h"

#include <iterator>
#include <utility>

#include "lzw/LZWEncoder.h"

namespace lumvane {

void EncodeShortest(TStream& stream, int minCodeSize, int colorCount, const TConstFramePixels& frame,
                    TEncodingSearch search, const TCancellation* cancellation,
                    TGreedyCoding greedy) {
  const bool full = search == TEncodingSearch::Full;
  TMemoryStream first, second;
  TMemoryStream* shortest = &first;
  TMemoryStream* tried = &second;
  // Until its table fills, greedy LZW codes alike at every clear point and window.
  bool reachesClearPoint = false;
  if (greedy.Bytes) {
    shortest->WriteBuffer(greedy.Bytes->data(), greedy.Bytes->size());
    reachesClearPoint = greedy.ReachedClearPoint;
  } else {
    TLZWEncoder encoder;
    encoder.Encode(*shortest, minCodeSize, colorCount, frame);
    reachesClearPoint = encoder.ReachedClearPoint();
  }
  const auto keepShorter = [&] {
    if (tried->Size() < shortest->Size()) std::swap(shortest, tried);
    tried->Clear();
    ThrowIfCancelled(cancellation);
  };
  if (reachesClearPoint) {
    for (const int clearAt : TLZWEncoder::kClearPoints) {
      if (!full || clearAt == TLZWEncoder::kDefaultClearAt) continue;
      TLZWEncoder(clearAt).Encode(*tried, minCodeSize, colorCount, frame);
      keepShorter();
    }
    const int widest = std::end(TAdaptiveClearLZWEncoder::kWindows)[-1];
    for (const int window : TAdaptiveClearLZWEncoder::kWindows) {
      if (!full && window != widest) continue;
      TAdaptiveClearLZWEncoder(window).Encode(*tried, minCodeSize, colorCount, frame);
      keepShorter();
    }
  }
  if (full || frame.Count() <= kQuickLookaheadPixels) {
    TLookaheadLZWEncoder().Encode(*tried, minCodeSize, colorCount, frame);
    keepShorter();
  }
  stream.WriteBuffer(shortest->Bytes().data(), shortest->Bytes().size());
}

}  // namespace lumvane
