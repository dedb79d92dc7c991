// Color reduction throughput on the largest frame of the animated corpus, rendered to 24
// bits: building the quantized palette alone, and whole reductions to a quantized palette
// of 256 colors with each dither kind, in pixels per second. The ratio table gives each
// side's time relative to the nearest mapping's in the same run.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include "RatioReporter.h"
#include "color/ColorQuantizer.h"
#include "color/ColorReduction.h"
#include "gif/GIFImage.h"
#include "render/FrameRendering.h"
#include "support/Corpus.h"

namespace {

using namespace lumvane;

struct TLargestFrame {
  std::shared_ptr<const TBitmap> Bitmap;
  std::string Name;
};

// The frame with the most pixels among the animated files, rendered and made 24-bit.
TLargestFrame FindLargestFrame() {
  TLargestFrame largest;
  std::int64_t most = 0;
  for (const std::string& path : test::CorpusFiles("animated")) {
    TGIFImage image;
    try {
      TMemoryStream stream;
      stream.LoadFromFile(path);
      image.LoadFromStream(stream);
    } catch (const std::exception&) {
      continue;
    }
    for (int i = 0; i < image.Frames.Count(); ++i) {
      TGIFSubImage& frame = image.Frames[i];
      if (frame.IsEmpty() || frame.PixelCount() <= most) continue;
      std::unique_ptr<TBitmap> bitmap = RenderPlain(frame);
      bitmap->SetPixelFormat(TPixelFormat::pf24bit);
      most = frame.PixelCount();
      largest.Bitmap = std::move(bitmap);
      largest.Name = test::BaseName(path) + "#" + std::to_string(i) + "(" + std::to_string(frame.FrameWidth()) +
                     "x" + std::to_string(frame.FrameHeight()) + ")";
    }
  }
  return largest;
}

std::int64_t Pixels(const TBitmap& bitmap) { return std::int64_t{bitmap.Width()} * bitmap.Height(); }

void Quantize(benchmark::State& state, std::shared_ptr<const TBitmap> bitmap) {
  for (auto _ : state) benchmark::DoNotOptimize(BuildQuantizedPalette(*bitmap, 256, 8, false));
  state.SetItemsProcessed(state.iterations() * Pixels(*bitmap));
}

void Reduce(benchmark::State& state, std::shared_ptr<const TBitmap> bitmap, TDitherKind kind) {
  for (auto _ : state) benchmark::DoNotOptimize(ReduceBitmapColors(*bitmap, reduceQuantize, kind, 8, nullptr));
  state.SetItemsProcessed(state.iterations() * Pixels(*bitmap));
}

}  // namespace

int main(int argc, char** argv) {
  if (!test::CorpusAvailable()) {
    std::fprintf(stderr, "reduce_bench: corpus not found at %s\n", test::CorpusDir().c_str());
    return 1;
  }
  const TLargestFrame largest = FindLargestFrame();
  if (!largest.Bitmap) {
    std::fprintf(stderr, "reduce_bench: no frame found in the animated corpus\n");
    return 1;
  }
  std::printf("largest frame: %s\n", largest.Name.c_str());
  benchmark::RegisterBenchmark(("quantize/" + largest.Name).c_str(), Quantize, largest.Bitmap)
      ->Unit(benchmark::kMillisecond);
  const std::pair<const char*, TDitherKind> kinds[] = {
      {"nearest", ditherNearest}, {"floyd-steinberg", ditherFloydSteinberg}, {"stucki", ditherStucki},
      {"sierra", ditherSierra},   {"jajuni", ditherJaJuNi},                  {"stevearche", ditherSteveArche},
      {"burkes", ditherBurkes}};
  for (const auto& [name, kind] : kinds)
    benchmark::RegisterBenchmark((std::string(name) + "/" + largest.Name).c_str(), Reduce, largest.Bitmap, kind)
        ->Unit(benchmark::kMillisecond);
  return lumvane::bench::RunAndReportRatios(argc, argv, "nearest");
}
