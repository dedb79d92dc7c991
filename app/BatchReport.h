#pragma once
// What a batch run reports: the window's table or one JSON object per file, each closed by
// its total, and a progress bar on a terminal.

#include <cstdint>
#include <iosfwd>
#include <string>

#include "app/FileOptimizer.h"

namespace lumvane {

// The totals of a run, for "Saved N Bytes" and the JSON summary; shards of a large run add up.
struct TRunTotals {
  std::int64_t Files = 0;
  std::int64_t Failed = 0;
  std::int64_t BytesIn = 0;   // the files as they were read
  std::int64_t BytesOut = 0;  // the same files after the run (as Optimize leaves them)
  std::int64_t Saved = 0;
  void Add(const TFileOutcome& outcome);
};

// Prints rows and the total. Table: the window's columns, then "Saved N Bytes". JSON: one
// object per file, then one summary object. Quiet: only failed rows, as "path: message" on
// err, and the total.
class TRunReport {
public:
  enum class TStyle { Table, Json, Quiet };
  TRunReport(TStyle style, std::size_t nameWidth, std::ostream& out, std::ostream& err);
  void Row(const std::string& path, const TFileOutcome& outcome);
  void Total(const TRunTotals& totals);

private:
  TStyle style_;
  std::size_t nameWidth_;
  std::ostream& out_;
  std::ostream& err_;
};

// A progress bar on standard error, redrawn in place, only on a terminal.
class TProgressBar {
public:
  TProgressBar(std::ostream& err, std::size_t total);
  void Update(std::size_t done);
  void Finish();

private:
  std::ostream& err_;
  std::size_t total_;
  bool shown_;
};

}  // namespace lumvane
