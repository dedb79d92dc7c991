#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <utility>

namespace lumvane::bench {
namespace {

class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      const std::string name = run.benchmark_name();
      const auto slash = name.find('/');
      if (slash == std::string::npos) continue;
      times_[name.substr(slash + 1)][name.substr(0, slash)] = run.GetAdjustedRealTime();
    }
  }
  std::map<std::string, std::map<std::string, double>> times_;
};

}  // namespace

int RunAndReportRatios(int argc, char** argv, const std::string& peer) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::printf("\n%-44s %14s\n", "case", ("lumvane/" + peer).c_str());
  double product = 1;
  int cases = 0;
  for (const auto& [name, sides] : reporter.times_) {
    const auto ours = sides.find("lumvane"), theirs = sides.find(peer);
    if (ours == sides.end() || theirs == sides.end() || theirs->second <= 0) continue;
    const double ratio = ours->second / theirs->second;
    std::printf("%-44s %14.2f\n", name.c_str(), ratio);
    product *= ratio;
    ++cases;
  }
  if (cases > 0) std::printf("%-44s %14.2f  (time ratio, below 1 is faster)\n", "geometric mean",
                             std::pow(product, 1.0 / cases));
  return 0;
}

}  // namespace lumvane::bench
