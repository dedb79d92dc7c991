// Decoding whole corpus files: our document load against giflib's DGifSlurp, same bytes,
// same run.

#include <benchmark/benchmark.h>

#include <cstdio>

#include "RatioReporter.h"
#include "gif/GIFImage.h"
#include "support/Corpus.h"
#include "support/Giflib.h"

namespace {

using namespace lumvane;

void DecodeOurs(benchmark::State& state, const std::vector<std::uint8_t>& bytes) {
  for (auto _ : state) {
    TMemoryStream stream(bytes);
    TGIFImage image;
    image.LoadFromStream(stream);
    benchmark::DoNotOptimize(image.Frames.Count());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

void DecodeGiflib(benchmark::State& state, const std::vector<std::uint8_t>& bytes) {
  for (auto _ : state) {
    auto file = test::GiflibRead(bytes);
    benchmark::DoNotOptimize(file);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (!test::CorpusAvailable()) {
    std::fprintf(stderr, "decode_bench: corpus not found at %s\n", test::CorpusDir().c_str());
    return 1;
  }
  // Files both decoders read whole: the large ones, and the whole animated folder.
  for (const std::string& path : test::CorpusFiles("animated")) {
    const std::vector<std::uint8_t> bytes = test::ReadFileBytes(path);
    if (!test::GiflibRead(bytes)) continue;
    const std::string name = test::BaseName(path);
    // Each registration keeps its own copy of the bytes.
    benchmark::RegisterBenchmark(("lumvane/" + name).c_str(), DecodeOurs, bytes)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("giflib/" + name).c_str(), DecodeGiflib, bytes)->Unit(benchmark::kMicrosecond);
  }
  return lumvane::bench::RunAndReportRatios(argc, argv, "giflib");
}
