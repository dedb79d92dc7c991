// Frames made from pictures: bitmaps of any depth (true color reduced to a palette first),
// other graphics drawn into a bitmap, and masks turned into GIF transparency.

#include <algorithm>
#include <array>

#include "base/Errors.h"
#include "gfx/IconGraphic.h"
#include "gfx/MetafileGraphic.h"
#include "gfx/PictureSystem.h"
#include "gif/BitmapReduction.h"
#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFImage.h"
#include "render/FrameRendering.h"

namespace lumvane {
namespace {

const std::string kConverting = "Converting...";

// Constant-initialized, so that an installation at any program start finds it in place.
TBitmapReduction installedReduction = nullptr;
constexpr int kProgressRows = 32;

// The last eight colors met and their map indexes: neighbouring pixels mostly repeat one.
class TRecentColors {
public:
  // The index of the color (blue, green, red bytes as one value), added to the map when new.
  int IndexOf(std::uint32_t bgr, TGIFColorMap& map) {
    for (int step = 0; step < kSlots; ++step) {
      const int slot = (cursor_ - step + kSlots) % kSlots;
      if (slots_[slot].Index < 0) break;
      if (slots_[slot].Color == bgr) {
        cursor_ = slot;
        return slots_[slot].Index;
      }
    }
    const TColor rgb = ((bgr >> 16) & 0xFF) | (bgr & 0xFF00) | ((bgr & 0xFF) << 16);
    const int index = map.FindOrAddColor(rgb);
    cursor_ = (cursor_ + 1) % kSlots;
    slots_[cursor_] = {bgr, index};
    return index;
  }

private:
  static constexpr int kSlots = 8;
  struct TSlot {
    std::uint32_t Color = 0;
    int Index = -1;
  };
  std::array<TSlot, kSlots> slots_{};
  int cursor_ = 0;
};

// Reports the import's progress to the document, with the frame as sender.
class TConversionProgress {
public:
  explicit TConversionProgress(TGIFSubImage& frame) : frame_(frame) {}
  void Report(TProgressStage stage, int percent) const {
    if (TGIFImage* image = frame_.Image()) image->Progress(&frame_, stage, percent, image->PaletteModified, kConverting);
  }

private:
  TGIFSubImage& frame_;
};

// Indexed bitmaps show an index their palette lacks as black: the map gets black entries up
// to the highest index used, so that every pixel keeps its color and the frame can be saved.
void CoverIndexes(TGIFSubImage& frame) {
  const std::uint8_t* pixels = frame.Pixels();
  const std::size_t count = static_cast<std::size_t>(frame.FrameWidth()) * frame.FrameHeight();
  const int highest = count ? *std::max_element(pixels, pixels + count) : 0;
  TGIFColorMap& map = frame.LocalColorMap();
  while (map.Count() <= highest) map.AddColor(0);
}

void ImportRows(TGIFSubImage& frame, TBitmap& source, const TConversionProgress& progress) {
  const int width = frame.FrameWidth(), height = frame.FrameHeight();
  const int bits = source.BitsPerPixel();
  TGIFColorMap& map = frame.LocalColorMap();
  if (bits == 1 || bits == 4)
    map.ImportSystemPalette(source.Palette());
  else if (bits == 8)
    map.ImportBitmapColors(source);
  TRecentColors recent;
  std::uint8_t* out = frame.Pixels();
  for (int y = 0; y < height; ++y, out += width) {
    if (y % kProgressRows == 0) progress.Report(TProgressStage::Running, Percent(y, height));
    const std::uint8_t* row = source.ScanLine(y);
    switch (bits) {
      case 1:
        for (int x = 0; x < width; ++x) out[x] = (row[x / 8] >> (7 - x % 8)) & 1;
        break;
      case 4:
        for (int x = 0; x < width; ++x) out[x] = x % 2 ? row[x / 2] & 0x0F : row[x / 2] >> 4;
        break;
      case 8:
        std::copy(row, row + width, out);
        break;
      default:
        for (int x = 0; x < width; ++x) {
          const std::uint8_t* pixel = row + 3 * x;
          out[x] = static_cast<std::uint8_t>(recent.IndexOf(pixel[0] | (pixel[1] << 8) | (pixel[2] << 16), map));
        }
    }
  }
  if (bits <= 8) CoverIndexes(frame);
}

// Draws the graphic into a new 24-bit bitmap of its size, at 0, 0.
void DrawInto(TGraphic& graphic, TBitmap& bitmap, TColor background) {
  bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  bitmap.SetSize(graphic.Width(), graphic.Height());
  TCanvas& canvas = bitmap.Canvas();
  canvas.BrushColor = background;
  canvas.FillRect(canvas.ClipRect());
  graphic.Draw(canvas, canvas.ClipRect());
}

// Pixels a metafile does not paint: drawn once over white and once over black, they differ.
std::unique_ptr<TBitmap> UnpaintedMask(TGraphic& metafile) {
  TBitmap overWhite, overBlack;
  DrawInto(metafile, overWhite, 0xFFFFFF);
  DrawInto(metafile, overBlack, 0x000000);
  for (int y = 0; y < overWhite.Height(); ++y) {
    std::uint8_t* white = overWhite.ScanLine(y);
    const std::uint8_t* black = overBlack.ScanLine(y);
    for (int i = 0; i < overWhite.Width() * 3; ++i) white[i] ^= black[i];
  }
  auto mask = std::make_unique<TBitmap>();
  mask->Assign(overWhite);
  return mask;
}

}  // namespace

void InstallBitmapReduction(TBitmapReduction reduction) { installedReduction = reduction; }

void TGIFSubImage::CopyFrom(const TBitmap& bitmap) {
  Clear();
  if (bitmap.Empty()) return;
  if (bitmap.Width() > 0xFFFF || bitmap.Height() > 0xFFFF) throw GIFException(TGIFError::ImageTooLarge);
  const TGIFImage* image = Image();
  auto cached = std::make_unique<TBitmap>();
  if (bitmap.BitsPerPixel() <= 8)
    cached->Assign(bitmap);
  else if (installedReduction)
    cached = installedReduction(bitmap, image ? image->ImportReduction : GIFDefaults.ImportReduction,
                                image ? image->ImportDither : GIFDefaults.ImportDither,
                                image ? image->ImportPaletteBits : GIFDefaults.ImportPaletteBits, nullptr);
  if (cached->Empty()) throw GIFException(TGIFError::InvalidReductionMethod);
  SetGeometry(FrameLeft(), FrameTop(), bitmap.Width(), bitmap.Height());

  const TConversionProgress progress(*this);
  progress.Report(TProgressStage::Starting, 0);
  try {
    ImportRows(*this, *cached, progress);
    // The picture as imported is what the frame renders, until a mask changes pixels.
    Bitmap = std::move(cached);
    if (const std::unique_ptr<TBitmap> mask = bitmap.TransparencyMask()) ApplyMask(*mask);
  } catch (...) {
    progress.Report(TProgressStage::Ending, 0);
    throw;
  }
  progress.Report(TProgressStage::Ending, 100);
}

void TGIFSubImage::CopyFrom(TGraphic& graphic) {
  Clear();
  if (graphic.IsEmpty()) return;
  TBitmap bitmap;
  if (auto* document = dynamic_cast<TGIFImage*>(&graphic))
    AssignTo(*document, bitmap);
  else
    DrawInto(graphic, bitmap, 0x000000);
  CopyFrom(bitmap);
  if (const auto* icon = dynamic_cast<const TIcon*>(&graphic))
    ApplyMask(*icon->MaskBitmap());
  else if (dynamic_cast<const TMetafile*>(&graphic))
    ApplyMask(*UnpaintedMask(graphic));
}

void TGIFSubImage::CopyFrom(TPictureContainer& picture) {
  if (TGraphic* graphic = picture.Graphic())
    CopyFrom(*graphic);
  else
    Clear();
}

void TGIFSubImage::ApplyMask(const TBitmap& mask) {
  TGIFColorMap& map = LocalColorMap();
  map.PackEntries();
  if (map.Count() == 0 || map.Count() >= TGIFColorMap::kMaxColors) return;
  const int transparent = map.AddColor(0);
  TBitmap values;
  values.Assign(mask);
  values.SetPixelFormat(TPixelFormat::pf8bit);
  const int width = std::min(FrameWidth(), values.Width()), height = std::min(FrameHeight(), values.Height());
  bool any = false;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = values.ScanLine(y);
    std::uint8_t* pixels = Pixels() + static_cast<std::size_t>(y) * FrameWidth();
    for (int x = 0; x < width; ++x)
      if (row[x] != 0) {
        pixels[x] = static_cast<std::uint8_t>(transparent);
        any = true;
      }
  }
  if (!any) {
    map.RemoveAt(transparent);
    return;
  }
  FreeRendering();
  // A frame that has a control block already keeps it, with the transparency set there.
  TGIFGraphicControlExtension* control = ControlExtension;
  if (!control) {
    auto created = std::make_unique<TGIFGraphicControlExtension>(*this);
    control = created.get();
    Extensions().Add(std::move(created));
  }
  control->SetTransparent(true);
  control->SetTransparentIndex(static_cast<std::uint8_t>(transparent));
}

}  // namespace lumvane
