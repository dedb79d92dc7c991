#include "lzw/RLEEncoder.h"

namespace lumvane {

std::uint64_t TRLEEncoder::IntegerSquareRoot(std::uint64_t x) {
  if (x < 2) return x;
  std::uint64_t r = 1;
  for (std::uint64_t v = x; v > 0; v /= 4) r *= 2;
  for (;;) {
    const std::uint64_t v = (x / r + r) / 2;
    if (v == r || v == r + 1) return r;
    r = v;
  }
}

std::uint64_t TRLEEncoder::RunCost(std::uint64_t count, std::uint64_t budget) {
  std::uint64_t cost = 0;
  const std::uint64_t per = budget * (budget + 1) / 2;
  if (per > 0) {
    cost += count / per * budget;
    count %= per;
  }
  if (count > 0) {
    std::uint64_t n = IntegerSquareRoot(count);
    while (n > 0 && n * (n + 1) >= 2 * count) --n;
    while (n * (n + 1) < 2 * count) ++n;
    cost += n;
  }
  return cost;
}

void TRLEEncoder::EmitClear() {
  NextWidthAt = FirstWidthAt;
  ClearAt = FirstClearAt;
  CodesSinceClear = 0;
  LongestRun = 0;
  TGIFEncoder::EmitClear();
  CodeWidth = StartWidth;
}

void TRLEEncoder::EmitCounted(int code) {
  JustCleared = false;
  EmitCode(code);
  ++CodesSinceClear;
  if (CodesSinceClear >= NextWidthAt) {
    ++CodeWidth;
    NextWidthAt += 1 << (CodeWidth - 1);
  }
  if (CodesSinceClear >= ClearAt) EmitClear();
}

void TRLEEncoder::RestoreClearLimit() {
  ClearAt = FirstClearAt;
  if (ClearAt <= CodesSinceClear) EmitClear();
}

void TRLEEncoder::StartRunTable(std::int64_t count) {
  LiftClearLimit();
  TablePixel = RunPixel;
  std::int64_t n = 1;
  while (count > 0) {
    if (n == 1) {
      LongestRun = 1;
      EmitCounted(RunPixel);
      count -= 1;
    } else if (n <= count) {
      LongestRun = static_cast<int>(n);
      EmitCounted(FirstFreeCode + static_cast<int>(n) - 2);
      count -= n;
    } else if (count == 1) {
      ++LongestRun;
      EmitCounted(RunPixel);
      break;
    } else {
      ++LongestRun;
      EmitCounted(FirstFreeCode + static_cast<int>(count) - 2);
      break;
    }
    n = CodesSinceClear == 0 ? 1 : n + 1;  // a forced clear starts the table again
  }
  RestoreClearLimit();
}

void TRLEEncoder::RepeatOrRestart(std::int64_t count) {
  const std::uint64_t withClear = 1 + RunCost(count, CodeBudget);
  if (static_cast<std::uint64_t>(count) > withClear) {
    EmitClear();
    StartRunTable(count);
  } else {
    for (std::int64_t i = 0; i < count; ++i) EmitCounted(RunPixel);
  }
}

void TRLEEncoder::ReuseRunTable(std::int64_t count) {
  std::int64_t repeats = count / LongestRun;
  std::int64_t leftover = count % LongestRun;
  std::uint64_t leftoverCodes = leftover > 0 ? 1 : 0;
  if (CodesSinceClear + repeats + static_cast<std::int64_t>(leftoverCodes) > CodeBudget) {
    repeats = CodeBudget - CodesSinceClear;
    leftover = count - repeats * LongestRun;
    leftoverCodes = 1 + RunCost(leftover, CodeBudget);
  }
  if (1 + RunCost(count, CodeBudget) < static_cast<std::uint64_t>(repeats) + leftoverCodes) {
    EmitClear();
    StartRunTable(count);
    return;
  }
  LiftClearLimit();
  for (std::int64_t i = 0; i < repeats; ++i) EmitCounted(FirstFreeCode + LongestRun - 2);
  if (leftover > 0) {
    if (JustCleared)
      StartRunTable(leftover);
    else if (leftover == 1)
      EmitCounted(RunPixel);
    else
      EmitCounted(FirstFreeCode + static_cast<int>(leftover) - 2);
  }
  RestoreClearLimit();
}

void TRLEEncoder::FlushRun(std::int64_t count) {
  if (count == 1)
    EmitCounted(RunPixel);
  else if (JustCleared)
    StartRunTable(count);
  else if (LongestRun < 2 || TablePixel != RunPixel)
    RepeatOrRestart(count);
  else
    ReuseRunTable(count);
}

void TRLEEncoder::EncodeBody() {
  FirstWidthAt = ClearCode - 1;
  FirstClearAt = MinCodeSize <= 3 ? 9 : FirstWidthAt - 1;
  CodeBudget = 4095 - FirstFreeCode;
  EmitClear();
  RunLength = 0;
  RunPixel = -1;
  do {
    const int pixel = CurrentPixel();
    if (RunLength > 0 && pixel != RunPixel) {
      FlushRun(RunLength);
      RunLength = 0;
    }
    if (pixel == RunPixel) {
      ++RunLength;
    } else {
      RunPixel = pixel;
      RunLength = 1;
    }
  } while (AdvancePixel());
  FlushRun(RunLength);
}

}  // namespace lumvane
