#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <set>

namespace lumvane::bench {
namespace {

struct Measure {
  double time = 0;
  double outputBytes = -1;
};

class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      const std::string name = run.benchmark_name();
      const auto slash = name.find('/');
      if (slash == std::string::npos) continue;
      const std::string side = name.substr(0, slash);
      Measure& measure = cases[name.substr(slash + 1)][side];
      measure.time = run.GetAdjustedRealTime();
      const auto counter = run.counters.find("output_bytes");
      if (counter != run.counters.end()) measure.outputBytes = counter->second;
      sides.insert(side);
    }
  }
  std::map<std::string, std::map<std::string, Measure>> cases;
  std::set<std::string> sides;
};

}  // namespace

int RunAndReportRatios(int argc, char** argv, const std::string& peer) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::vector<std::string> ours;
  for (const std::string& side : reporter.sides)
    if (side != peer) ours.push_back(side);

  std::printf("\nTime relative to %s in the same run (below 1 is faster)", peer.c_str());
  bool anySizes = false;
  for (const auto& [name, measures] : reporter.cases)
    for (const auto& [side, measure] : measures) anySizes |= measure.outputBytes >= 0;
  if (anySizes) std::printf("; output bytes per side");
  std::printf("\n%-44s", "case");
  for (const std::string& side : ours) std::printf(" %12s", (side + "/" + peer).c_str());
  if (anySizes) {
    for (const std::string& side : reporter.sides) std::printf(" %12s", (side + " B").c_str());
  }
  std::printf("\n");

  std::map<std::string, std::pair<double, int>> logSums;
  for (const auto& [name, measures] : reporter.cases) {
    const auto theirs = measures.find(peer);
    if (theirs == measures.end() || theirs->second.time <= 0) continue;
    std::printf("%-44s", name.c_str());
    for (const std::string& side : ours) {
      const auto mine = measures.find(side);
      if (mine == measures.end()) {
        std::printf(" %12s", "-");
        continue;
      }
      const double ratio = mine->second.time / theirs->second.time;
      std::printf(" %12.2f", ratio);
      logSums[side].first += std::log(ratio);
      ++logSums[side].second;
    }
    if (anySizes) {
      for (const std::string& side : reporter.sides) {
        const auto measure = measures.find(side);
        if (measure == measures.end() || measure->second.outputBytes < 0)
          std::printf(" %12s", "-");
        else
          std::printf(" %12.0f", measure->second.outputBytes);
      }
    }
    std::printf("\n");
  }
  std::printf("%-44s", "geometric mean");
  for (const std::string& side : ours) {
    const auto& [sum, count] = logSums[side];
    if (count > 0)
      std::printf(" %12.2f", std::exp(sum / count));
    else
      std::printf(" %12s", "-");
  }
  std::printf("\n");
  return 0;
}

}  // namespace lumvane::bench
