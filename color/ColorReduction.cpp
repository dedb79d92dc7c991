#include "color/ColorReduction.h"

#include <algorithm>
#include <vector>

#include "color/ColorLookups.h"
#include "color/ColorQuantizer.h"
#include "color/Ditherers.h"
#include "gfx/RowAccess.h"

namespace lumvane {

namespace {

// Palette entries that must keep their own place rather than be matched to another's.
constexpr std::uint8_t kNoCollapse = 4;

// The source's size, palette and pixels, converted to 24 bits; the source is left as it is.
std::unique_ptr<TBitmap> TrueColorCopy(const TBitmap& source) {
  auto copy = std::make_unique<TBitmap>();
  copy->Assign(source);
  copy->SetPixelFormat(TPixelFormat::pf24bit);
  return copy;
}

TPaletteHandle GrayPalette(const std::vector<int>& levels) {
  std::vector<TPaletteEntry> entries;
  for (const int level : levels) {
    const auto gray = static_cast<std::uint8_t>(level);
    entries.push_back({gray, gray, gray, kNoCollapse});
  }
  return MakePalette(std::move(entries));
}

struct TTarget {
  TPaletteHandle Palette;
  std::unique_ptr<TColorLookup> Lookup;
};

// The palette the method maps onto and the lookup finding colors in it; image is the 24-bit
// picture the quantizing methods draw their palette from.
TTarget TargetFor(TReductionMethod method, const TBitmap& image, int bits,
                  const TPaletteHandle& customPalette) {
  TTarget target;
  switch (method) {
    case reduceWindows20: target.Palette = std::make_shared<const TPalette>(TPalette::SystemDefault()); break;
    case reduceWindowsHalftone: target.Palette = std::make_shared<const TPalette>(TPalette::Halftone()); break;
    case reduceWindowsGray: target.Palette = GrayPalette({0, 128, 192, 255}); break;
    case reduceMonochrome:
      target.Palette = GrayPalette({0, 255});
      target.Lookup = std::make_unique<TMonochromeLookup>();
      return target;
    case reduceGrayScale: {
      std::vector<int> levels(256);
      for (int i = 0; i < 256; ++i) levels[i] = i;
      target.Palette = GrayPalette(levels);
      target.Lookup = std::make_unique<TGrayScaleLookup>();
      return target;
    }
    case reduceNetscape:
      target.Palette = WebPalette();
      target.Lookup = std::make_unique<TNetscapeColorLookup>();
      return target;
    // A palette of more than 256 entries cannot be, and one of fewer than 2 says nothing.
    case reduceQuantize: target.Palette = BuildQuantizedPalette(image, 1 << std::clamp(bits, 1, 8), 8, false); break;
    case reduceQuantizeWindows: target.Palette = BuildQuantizedPalette(image, 256, 8, true); break;
    case reduceCustomPalette:
      target.Palette = CopyPalette(customPalette);
      if (!target.Palette) return target;
      break;
    case reduceNone:
    default: return target;
  }
  target.Lookup = std::make_unique<TFastColorLookup>(*target.Palette);
  return target;
}

}  // namespace

std::unique_ptr<TBitmap> ReduceBitmapColors(const TBitmap& source, TReductionMethod method,
                                            TDitherKind dither, int bits,
                                            const TPaletteHandle& customPalette) {
  auto result = std::make_unique<TBitmap>();
  // Nothing to reduce; the writer would refuse the size anyway.
  if (source.Empty()) return result;
  if (method == reduceNone) return TrueColorCopy(source);
  if (method > reduceCustomPalette || dither > ditherBurkes) return result;

  // Indexed sources are read through a 24-bit copy, never converted in place.
  std::unique_ptr<TBitmap> converted;
  const TBitmap* image = &source;
  if (source.PixelFormat() != TPixelFormat::pf24bit) {
    converted = TrueColorCopy(source);
    image = converted.get();
  }

  TTarget target = TargetFor(method, *image, bits, customPalette);
  if (!target.Lookup || target.Lookup->ColorCount() == 0) return result;

  const int width = image->Width();
  const std::unique_ptr<TDitherEngine> ditherer = CreateDitherer(dither, width, *target.Lookup);
  TDIBWriter writer(*result, TPixelFormat::pf8bit, width, image->Height(), target.Palette);
  for (int y = 0; y < image->Height(); ++y) {
    const std::uint8_t* in = image->ScanLine(y);
    std::uint8_t* out = writer.RowPointer(y);
    // The ditherer walks each row in its own direction; every index goes to its column.
    for (int x = ditherer->Column(); x >= 0 && x < width; x = ditherer->Column()) {
      const std::uint8_t* pixel = in + 3 * x;
      std::uint8_t red, green, blue;
      out[x] = ditherer->DitherPixel(pixel[2], pixel[1], pixel[0], red, green, blue);
    }
    ditherer->AdvanceLine();
  }
  writer.Commit();
  // The file's color table holds no flags; the palette itself keeps them.
  result->SetPalette(target.Palette);
  return result;
}

}  // namespace lumvane
