#pragma once
// Color reduction: a bitmap mapped, optionally dithered, onto a palette chosen by method.

#include <memory>

#include "base/Types.h"
#include "gfx/Bitmap.h"
#include "gfx/Palette.h"

namespace lumvane {

// A new 8-bit bitmap holding the source's pixels mapped onto the method's palette through
// the ditherer of the kind given; the source is only read. The palette by method: the 20
// system colors; the halftone palette; four grays (0, 128, 192, 255); black and white;
// 256 grays; the 216 web colors; the source's colors quantized to 2^bits (bits kept within
// 1..8); quantized to 236 colors between the system colors; a copy of customPalette.
// reduceNone answers a 24-bit copy of the source. An empty bitmap comes back for an empty
// source, a method or dither kind outside the known values, and a palette without colors
// (such as a missing or empty custom palette). Never null.
std::unique_ptr<TBitmap> ReduceBitmapColors(const TBitmap& source, TReductionMethod method,
                                            TDitherKind dither, int bits,
                                            const TPaletteHandle& customPalette);

}  // namespace lumvane
