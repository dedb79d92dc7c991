#pragma once
// How a frame's import brings a picture of more than 8 bits per pixel down to a palette.
// The reduction belongs to the color layer, above the document: it installs itself here
// when a program starts (color/ColorRegistration.cpp, linked into every program).

#include <memory>

#include "base/Types.h"
#include "gfx/Bitmap.h"
#include "gfx/Palette.h"

namespace lumvane {

// As ReduceBitmapColors: a new 8-bit bitmap, empty when the method or dither is unknown.
using TBitmapReduction = std::unique_ptr<TBitmap> (*)(const TBitmap& source, TReductionMethod method,
                                                      TDitherKind dither, int bits,
                                                      const TPaletteHandle& customPalette);

// Installed before main runs. With none installed, importing such a picture fails as an
// unknown reduction method does ("Invalid reduction method").
void InstallBitmapReduction(TBitmapReduction reduction);

}  // namespace lumvane
