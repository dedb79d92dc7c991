#include "lzw/ShortestEncoding.h"

#include <utility>

#include "lzw/LZWEncoder.h"

namespace lumvane {

void EncodeShortest(TStream& stream, int minCodeSize, int colorCount, const TConstFramePixels& frame,
                    const TCancellation* cancellation) {
  const bool reachesClearPoint = TLZWEncoder::MayReachClearPoint(frame.Count(), minCodeSize);
  TMemoryStream first, second;
  TMemoryStream* shortest = &first;
  TMemoryStream* tried = &second;
  TLZWEncoder().Encode(*shortest, minCodeSize, colorCount, frame);
  const auto keepShorter = [&] {
    if (tried->Size() < shortest->Size()) std::swap(shortest, tried);
    tried->Clear();
    ThrowIfCancelled(cancellation);
  };
  if (reachesClearPoint) {
    for (const int clearAt : TLZWEncoder::kClearPoints) {
      if (clearAt == TLZWEncoder::kDefaultClearAt) continue;
      TLZWEncoder(clearAt).Encode(*tried, minCodeSize, colorCount, frame);
      keepShorter();
    }
    for (const int window : TAdaptiveClearLZWEncoder::kWindows) {
      TAdaptiveClearLZWEncoder(window).Encode(*tried, minCodeSize, colorCount, frame);
      keepShorter();
    }
  }
  TLookaheadLZWEncoder().Encode(*tried, minCodeSize, colorCount, frame);
  keepShorter();
  stream.WriteBuffer(shortest->Bytes().data(), shortest->Bytes().size());
}

}  // namespace lumvane
