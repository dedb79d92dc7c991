#pragma once
// Runs the registered benchmarks and then prints, per case, how each of our variants
// compares with the peer measured in the same run. Benchmarks are named "<side>/<case>";
// one side is the peer. A benchmark may set the counter "output_bytes" (what it wrote),
// which is then listed per side too.

#include <string>

namespace lumvane::bench {

// Returns the process exit status.
int RunAndReportRatios(int argc, char** argv, const std::string& peer);

}  // namespace lumvane::bench
