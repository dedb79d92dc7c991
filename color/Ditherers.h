#pragma once
// Ditherers: map the pixels of an image, row by row in serpentine order (even rows left to
// right, odd rows right to left), to palette indexes through a color lookup, optionally
// carrying each pixel's color error over to the pixels not yet mapped.
//
// The caller's loop, per row: while 0 <= Column() < width, pass the pixel at Column() and
// store the index returned at that column; then AdvanceLine().

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "base/Types.h"
#include "color/ColorLookups.h"

namespace lumvane {

// Nearest mapping: every pixel gets exactly what the lookup answers. The base of the others.
class TDitherEngine {
public:
  // The lookup is used, not owned. A negative width counts as 0.
  TDitherEngine(int width, TColorLookup& lookup);
  virtual ~TDitherEngine() = default;

  // Maps one pixel, writes the palette color chosen and moves to the next column.
  virtual std::uint8_t DitherPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                   std::uint8_t& outRed, std::uint8_t& outGreen,
                                   std::uint8_t& outBlue);
  // Turns around: the next row starts at column 0 going right or at width - 1 going left.
  virtual void AdvanceLine();
  // Passes over a pixel that is not mapped (a transparent one): no error comes from it, and
  // the errors of the pixels before it go on to their places.
  virtual void SkipPixel() { AdvanceColumn(); }

  int Column() const { return CurrentColumn; }
  int Direction() const { return CurrentDirection; }
  int Width() const { return RowWidth; }

protected:
  void AdvanceColumn() { CurrentColumn += CurrentDirection; }
  // Pixels passed outside the row are mapped without touching any error storage.
  bool InsideRow() const { return CurrentColumn >= 0 && CurrentColumn < RowWidth; }

private:
  int RowWidth;
  TColorLookup& Lookup;
  int CurrentDirection = 1;
  int CurrentColumn = 0;
};

// Floyd-Steinberg: 7/16 ahead, 3/16 below behind, 5/16 below, 1/16 below ahead. One error
// row per channel with an extra entry at each end; entry k holds the error for column k - 1.
class TFloydSteinbergDitherer : public TDitherEngine {
public:
  TFloydSteinbergDitherer(int width, TColorLookup& lookup);

  std::uint8_t DitherPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                           std::uint8_t& outRed, std::uint8_t& outGreen,
                           std::uint8_t& outBlue) override;
  void AdvanceLine() override;
  void SkipPixel() override;

private:
  // The row below gets what the pixels before this one left for it; error is this pixel's.
  void PassOn(int channel, std::int32_t error);
  void PlaceCursor();

  // The cursor stands on the entry of the column just behind the current pixel: the pixel
  // reads the entry ahead of it and completes the one under the cursor for the next row.
  std::ptrdiff_t Cursor = 0;
  std::array<std::vector<std::int32_t>, 3> Errors;
  // Per channel: for the next pixel of this row, for the row below at this column, and for
  // the row below at the column behind.
  std::array<std::int32_t, 3> Current{}, Below{}, BelowPrevious{};
};

// One weight of a diffusion kernel: Weight × error goes to the pixel Offset columns ahead
// (in the direction of travel; negative: behind) in the row Row rows further down.
struct TKernelTap {
  int Row, Offset, Weight;
};
struct TDiffusionKernel {
  std::int32_t Divisor;
  std::span<const TKernelTap> Taps;
};

// Spreads the error by a kernel given as data. Per channel one error row for each kernel
// row, with a margin of the kernel's reach on both sides; row 0 is the current row.
class TErrorDiffusionDitherer : public TDitherEngine {
public:
  std::uint8_t DitherPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                           std::uint8_t& outRed, std::uint8_t& outGreen,
                           std::uint8_t& outBlue) override;
  void AdvanceLine() override;
  void SkipPixel() override;

protected:
  TErrorDiffusionDitherer(int width, TColorLookup& lookup, TDiffusionKernel kernel);

private:
  void SpreadError(std::vector<std::vector<std::int32_t>>& rows, std::int32_t error);
  void PlaceCursor();

  TDiffusionKernel Kernel;
  int Reach = 0;  // the largest column offset of the kernel
  std::ptrdiff_t Cursor = 0;  // the entry of the current pixel, the same in every row
  std::array<std::vector<std::vector<std::int32_t>>, 3> Errors;  // [channel][row][entry]
};

// The kernels five columns wide and three rows tall.
class T5by3Ditherer : public TErrorDiffusionDitherer {
protected:
  using TErrorDiffusionDitherer::TErrorDiffusionDitherer;
};

class TStuckiDitherer : public T5by3Ditherer {
public:
  TStuckiDitherer(int width, TColorLookup& lookup);
};

class TSierraDitherer : public T5by3Ditherer {
public:
  TSierraDitherer(int width, TColorLookup& lookup);
};

// Jarvis, Judice and Ninke.
class TJaJuNiDitherer : public T5by3Ditherer {
public:
  TJaJuNiDitherer(int width, TColorLookup& lookup);
};

// Stevenson and Arce: seven columns wide, four rows tall.
class TSteveArcheDitherer : public TErrorDiffusionDitherer {
public:
  TSteveArcheDitherer(int width, TColorLookup& lookup);
};

// Burkes: five columns wide, two rows tall.
class TBurkesDitherer : public TErrorDiffusionDitherer {
public:
  TBurkesDitherer(int width, TColorLookup& lookup);
};

// Throws std::invalid_argument for a kind that is none of TDitherKind's values.
std::unique_ptr<TDitherEngine> CreateDitherer(TDitherKind kind, int width, TColorLookup& lookup);

}  // namespace lumvane
