#pragma once
// The run-length encoder: valid GIF image data without a string dictionary. It sends runs
// of equal pixels and relies on the table every decoder builds from the codes it receives:
// after a clear, the pixel p followed by the codes FirstFreeCode, FirstFreeCode + 1, ...
// makes the decoder's table hold runs of p of length 2, 3, ...

#include <cstdint>

#include "lzw/GIFEncoder.h"

namespace lumvane {

class TRLEEncoder : public TGIFEncoder {
public:
  // x's integer square root.
  static std::uint64_t IntegerSquareRoot(std::uint64_t x);
  // Codes needed to send a run of count pixels from an empty table, when at most budget
  // codes fit between clears (runs 1, 2, 3, ... form a triangle).
  static std::uint64_t RunCost(std::uint64_t count, std::uint64_t budget);

protected:
  void EmitClear() override;
  void EncodeBody() override;

private:
  void EmitCounted(int code);
  void FlushRun(std::int64_t count);
  void StartRunTable(std::int64_t count);
  void RepeatOrRestart(std::int64_t count);
  void ReuseRunTable(std::int64_t count);
  void LiftClearLimit() { ClearAt = CodeBudget; }
  void RestoreClearLimit();

  int RunPixel = -1;
  std::int64_t RunLength = 0;
  int TablePixel = 0;
  int LongestRun = 0;       // the decoder holds runs of TablePixel of lengths 2..LongestRun
  int CodesSinceClear = 0;
  int NextWidthAt = 0;
  int ClearAt = 0;
  int FirstWidthAt = 0;
  int FirstClearAt = 0;
  int CodeBudget = 0;       // most codes between two clears
};

}  // namespace lumvane
