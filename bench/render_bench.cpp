// Rendering throughput: the largest corpus frames rendered plain and dithered to the web
// palette, in pixels per second.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "gif/GIFImage.h"
#include "render/FrameRendering.h"
#include "support/Corpus.h"

namespace {

using namespace lumvane;

// Loads the file and answers the index of its largest frame, or -1.
int LargestFrame(TGIFImage& image, const std::string& path) {
  TMemoryStream stream;
  stream.LoadFromFile(path);
  try {
    image.LoadFromStream(stream);
  } catch (const std::exception&) {
    return -1;
  }
  int best = -1;
  for (int i = 0; i < image.Frames.Count(); ++i)
    if (!image.Frames[i].IsEmpty() && (best < 0 || image.Frames[i].PixelCount() > image.Frames[best].PixelCount()))
      best = i;
  return best;
}

void Render(benchmark::State& state, const std::string& path, bool dithered) {
  TGIFImage image;
  const int index = LargestFrame(image, path);
  if (index < 0) {
    state.SkipWithError("no frame");
    return;
  }
  image.PaintFlags = dithered ? drawDithered : 0;
  TGIFSubImage& frame = image.Frames[index];
  for (auto _ : state) {
    frame.FreeBitmap();
    frame.FreeMask();
    benchmark::DoNotOptimize(FrameBitmap(frame));
  }
  state.SetItemsProcessed(state.iterations() * frame.PixelCount());
}

}  // namespace

int main(int argc, char** argv) {
  if (!test::CorpusAvailable()) {
    std::fprintf(stderr, "render_bench: corpus not found at %s\n", test::CorpusDir().c_str());
    return 1;
  }
  for (const char* name : {"horses.gif", "harvesters.gif", "rub_test.gif", "hibiscus.regular.gif"}) {
    const std::string path = test::CorpusDir() + "/animated/" + name;
    benchmark::RegisterBenchmark((std::string("plain/") + name).c_str(), Render, path, false)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("dithered/") + name).c_str(), Render, path, true)->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
