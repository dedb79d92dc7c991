#include "color/Ditherers.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace lumvane {

namespace {

// input + (carried + rounding) / divisor, the quotient truncated toward zero, kept in 0..255.
std::uint8_t Corrected(std::uint8_t input, std::int32_t carried, std::int32_t rounding,
                       std::int32_t divisor) {
  return static_cast<std::uint8_t>(std::clamp(input + (carried + rounding) / divisor, 0, 255));
}

constexpr TKernelTap kStucki[] = {
    {0, 1, 8}, {0, 2, 4},                                            //
    {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2},         //
    {2, -2, 1}, {2, -1, 2}, {2, 0, 4}, {2, 1, 2}, {2, 2, 1},         //
};
constexpr TKernelTap kSierra[] = {
    {0, 1, 5}, {0, 2, 3},                                            //
    {1, -2, 2}, {1, -1, 4}, {1, 0, 5}, {1, 1, 4}, {1, 2, 2},         //
    {2, -1, 2}, {2, 0, 3}, {2, 1, 2},                                //
};
constexpr TKernelTap kJaJuNi[] = {
    {0, 1, 7}, {0, 2, 5},                                            //
    {1, -2, 3}, {1, -1, 5}, {1, 0, 7}, {1, 1, 5}, {1, 2, 3},         //
    {2, -2, 1}, {2, -1, 3}, {2, 0, 5}, {2, 1, 3}, {2, 2, 1},         //
};
constexpr TKernelTap kSteveArche[] = {
    {0, 2, 32},                                                      //
    {1, -3, 12}, {1, -1, 26}, {1, 1, 30}, {1, 3, 16},                //
    {2, -2, 12}, {2, 0, 26}, {2, 2, 12},                             //
    {3, -3, 5}, {3, -1, 12}, {3, 1, 12}, {3, 3, 5},                  //
};
constexpr TKernelTap kBurkes[] = {
    {0, 1, 8}, {0, 2, 4},                                            //
    {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2},         //
};

}  // namespace

// --- nearest mapping ---

TDitherEngine::TDitherEngine(int width, TColorLookup& lookup)
    : RowWidth(std::max(width, 0)), Lookup(lookup) {}

std::uint8_t TDitherEngine::DitherPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                        std::uint8_t& outRed, std::uint8_t& outGreen,
                                        std::uint8_t& outBlue) {
  const std::uint8_t index = Lookup.MapColor(red, green, blue, outRed, outGreen, outBlue);
  AdvanceColumn();
  return index;
}

void TDitherEngine::AdvanceLine() {
  CurrentDirection = -CurrentDirection;
  CurrentColumn = CurrentDirection > 0 ? 0 : RowWidth - 1;
}

// --- Floyd-Steinberg ---

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int width, TColorLookup& lookup)
    : TDitherEngine(width, lookup) {
  for (std::vector<std::int32_t>& row : Errors) row.assign(Width() + 2, 0);
}

std::uint8_t TFloydSteinbergDitherer::DitherPixel(std::uint8_t red, std::uint8_t green,
                                                  std::uint8_t blue, std::uint8_t& outRed,
                                                  std::uint8_t& outGreen,
                                                  std::uint8_t& outBlue) {
  if (!InsideRow()) return TDitherEngine::DitherPixel(red, green, blue, outRed, outGreen, outBlue);
  const std::ptrdiff_t ahead = Cursor + Direction();
  const std::array<std::uint8_t, 3> input{red, green, blue};
  std::array<std::uint8_t, 3> value{};
  for (int c = 0; c < 3; ++c) value[c] = Corrected(input[c], Errors[c][ahead] + Current[c], 8, 16);
  const std::uint8_t index =
      TDitherEngine::DitherPixel(value[0], value[1], value[2], outRed, outGreen, outBlue);
  const std::array<std::uint8_t, 3> chosen{outRed, outGreen, outBlue};
  // A pixel without error adds nothing, but the errors of the pixels behind it still move on
  // to their places below.
  for (int c = 0; c < 3; ++c) PassOn(c, value[c] - chosen[c]);
  Cursor = ahead;
  return index;
}

void TFloydSteinbergDitherer::PassOn(int channel, std::int32_t error) {
  Errors[channel][Cursor] = BelowPrevious[channel] + 3 * error;
  BelowPrevious[channel] = Below[channel] + 5 * error;
  Below[channel] = error;
  Current[channel] = 7 * error;
}

void TFloydSteinbergDitherer::SkipPixel() {
  if (InsideRow()) {
    for (int c = 0; c < 3; ++c) PassOn(c, 0);
    Cursor += Direction();
  }
  AdvanceColumn();
}

void TFloydSteinbergDitherer::AdvanceLine() {
  for (int c = 0; c < 3; ++c) {
    Errors[c][Cursor] = BelowPrevious[c];
    Current[c] = Below[c] = BelowPrevious[c] = 0;
  }
  TDitherEngine::AdvanceLine();
  PlaceCursor();
}

void TFloydSteinbergDitherer::PlaceCursor() {
  Cursor = Direction() > 0 ? 0 : Width() + 1;
}

// --- kernels as data ---

TErrorDiffusionDitherer::TErrorDiffusionDitherer(int width, TColorLookup& lookup,
                                                 TDiffusionKernel kernel)
    : TDitherEngine(width, lookup), Kernel(kernel) {
  int rows = 0;
  for (const TKernelTap& tap : Kernel.Taps) {
    rows = std::max(rows, tap.Row + 1);
    Reach = std::max(Reach, std::abs(tap.Offset));
  }
  for (std::vector<std::vector<std::int32_t>>& channel : Errors)
    channel.assign(rows, std::vector<std::int32_t>(Width() + 2 * Reach, 0));
  PlaceCursor();
}

std::uint8_t TErrorDiffusionDitherer::DitherPixel(std::uint8_t red, std::uint8_t green,
                                                  std::uint8_t blue, std::uint8_t& outRed,
                                                  std::uint8_t& outGreen,
                                                  std::uint8_t& outBlue) {
  if (!InsideRow()) return TDitherEngine::DitherPixel(red, green, blue, outRed, outGreen, outBlue);
  const std::array<std::uint8_t, 3> input{red, green, blue};
  std::array<std::uint8_t, 3> value{};
  for (int c = 0; c < 3; ++c)
    value[c] = Corrected(input[c], Errors[c][0][Cursor], Kernel.Divisor / 2, Kernel.Divisor);
  const std::uint8_t index =
      TDitherEngine::DitherPixel(value[0], value[1], value[2], outRed, outGreen, outBlue);
  const std::array<std::uint8_t, 3> chosen{outRed, outGreen, outBlue};
  for (int c = 0; c < 3; ++c) {
    const std::int32_t error = value[c] - chosen[c];
    if (error != 0) SpreadError(Errors[c], error);
  }
  Cursor += Direction();
  return index;
}

void TErrorDiffusionDitherer::SkipPixel() {
  if (InsideRow()) Cursor += Direction();
  AdvanceColumn();
}

void TErrorDiffusionDitherer::SpreadError(std::vector<std::vector<std::int32_t>>& rows,
                                          std::int32_t error) {
  for (const TKernelTap& tap : Kernel.Taps)
    rows[tap.Row][Cursor + tap.Offset * Direction()] += tap.Weight * error;
}

void TErrorDiffusionDitherer::AdvanceLine() {
  // The finished row's array, cleared, becomes the last row; no allocation.
  for (std::vector<std::vector<std::int32_t>>& rows : Errors) {
    std::ranges::fill(rows.front(), 0);
    std::rotate(rows.begin(), rows.begin() + 1, rows.end());
  }
  TDitherEngine::AdvanceLine();
  PlaceCursor();
}

void TErrorDiffusionDitherer::PlaceCursor() {
  Cursor = Direction() > 0 ? Reach : Width() + Reach - 1;
}

TStuckiDitherer::TStuckiDitherer(int width, TColorLookup& lookup)
    : T5by3Ditherer(width, lookup, {42, kStucki}) {}

TSierraDitherer::TSierraDitherer(int width, TColorLookup& lookup)
    : T5by3Ditherer(width, lookup, {32, kSierra}) {}

TJaJuNiDitherer::TJaJuNiDitherer(int width, TColorLookup& lookup)
    : T5by3Ditherer(width, lookup, {48, kJaJuNi}) {}

TSteveArcheDitherer::TSteveArcheDitherer(int width, TColorLookup& lookup)
    : TErrorDiffusionDitherer(width, lookup, {200, kSteveArche}) {}

TBurkesDitherer::TBurkesDitherer(int width, TColorLookup& lookup)
    : TErrorDiffusionDitherer(width, lookup, {32, kBurkes}) {}

// --- choice by kind ---

std::unique_ptr<TDitherEngine> CreateDitherer(TDitherKind kind, int width, TColorLookup& lookup) {
  switch (kind) {
    case ditherNearest: return std::make_unique<TDitherEngine>(width, lookup);
    case ditherFloydSteinberg: return std::make_unique<TFloydSteinbergDitherer>(width, lookup);
    case ditherStucki: return std::make_unique<TStuckiDitherer>(width, lookup);
    case ditherSierra: return std::make_unique<TSierraDitherer>(width, lookup);
    case ditherJaJuNi: return std::make_unique<TJaJuNiDitherer>(width, lookup);
    case ditherSteveArche: return std::make_unique<TSteveArcheDitherer>(width, lookup);
    case ditherBurkes: return std::make_unique<TBurkesDitherer>(width, lookup);
  }
  throw std::invalid_argument("Unknown dither kind");
}

}  // namespace lumvane
