#pragma once
// Runs the registered benchmarks and then prints, per case, how our time compares with the
// peer's measured in the same run: benchmarks are named "<side>/<case>" with the sides
// "lumvane" and a peer name.

#include <string>

namespace lumvane::bench {

// Returns the process exit status.
int RunAndReportRatios(int argc, char** argv, const std::string& peer);

}  // namespace lumvane::bench
