// Encoding the same frames with our LZW encoder, our run-length encoder and giflib's
// encoder, in one run: time and output size.

#include <benchmark/benchmark.h>

#include <cstdio>

#include "RatioReporter.h"
#include "gif/GIFImage.h"
#include "lzw/LZWEncoder.h"
#include "lzw/RLEEncoder.h"
#include "support/Corpus.h"
#include "support/Giflib.h"

namespace {

using namespace lumvane;

struct Frame {
  int Width, Height, Bits;
  std::vector<std::uint8_t> Pixels;
};

template <class Encoder>
void EncodeOurs(benchmark::State& state, const Frame& frame) {
  std::size_t size = 0;
  for (auto _ : state) {
    TMemoryStream stream;
    Encoder encoder;
    encoder.Encode(stream, frame.Bits, 1 << frame.Bits, TConstFramePixels{frame.Pixels.data(), frame.Width, frame.Height, false});
    size = stream.Bytes().size();
    benchmark::DoNotOptimize(size);
  }
  state.counters["output_bytes"] = static_cast<double>(size);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(frame.Pixels.size()));
}

void EncodeGiflib(benchmark::State& state, const Frame& frame) {
  std::size_t size = 0;
  for (auto _ : state) {
    // The image data alone: giflib's file minus its header, table, descriptor and trailer.
    const auto file = test::GiflibWrite(frame.Width, frame.Height, frame.Bits, false, frame.Pixels);
    size = file.size() - 13 - 3 * (std::size_t{1} << frame.Bits) - 10 - 1;
    benchmark::DoNotOptimize(size);
  }
  state.counters["output_bytes"] = static_cast<double>(size);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(frame.Pixels.size()));
}

// The largest frame of the file, with the bits per pixel its color table needs.
bool LargestFrame(const std::string& path, Frame& out) {
  TMemoryStream stream;
  stream.LoadFromFile(path);
  TGIFImage image;
  try {
    image.LoadFromStream(stream);
  } catch (const std::exception&) {
    return false;
  }
  const TGIFSubImage* best = nullptr;
  for (const auto& frame : image.Frames)
    if (!frame->IsEmpty() && (!best || frame->PixelCount() > best->PixelCount())) best = frame.get();
  if (!best) return false;
  const int bits = std::max(1, const_cast<TGIFSubImage*>(best)->EffectiveColorMap().PixelBits());
  for (std::int64_t i = 0; i < best->PixelCount(); ++i)
    if (best->Pixels()[i] >> bits) return false;  // indices beyond the table: not encodable
  out = Frame{best->FrameWidth(), best->FrameHeight(), bits,
              std::vector<std::uint8_t>(best->Pixels(), best->Pixels() + best->PixelCount())};
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (!test::CorpusAvailable()) {
    std::fprintf(stderr, "encode_bench: corpus not found at %s\n", test::CorpusDir().c_str());
    return 1;
  }
  for (const std::string& path : test::CorpusFiles("animated")) {
    Frame frame;
    if (!LargestFrame(path, frame) || frame.Pixels.size() < 10000) continue;
    const std::string name = test::BaseName(path);
    benchmark::RegisterBenchmark(("lzw/" + name).c_str(), EncodeOurs<TLZWEncoder>, frame)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("rle/" + name).c_str(), EncodeOurs<TRLEEncoder>, frame)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("giflib/" + name).c_str(), EncodeGiflib, frame)->Unit(benchmark::kMicrosecond);
  }
  return lumvane::bench::RunAndReportRatios(argc, argv, "giflib");
}
