#pragma once
// A GIF file held in memory: header, frames with their extensions, and the settings that
// saving reads.

#include <cstddef>
#include <cstdint>
#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/Cancellation.h"
#include "base/Types.h"
#include "gfx/Graphic.h"
#include "gif/GIFHeader.h"
#include "gif/GIFSubImage.h"
#include "render/Painter.h"

namespace lumvane {

// Drawing options, one bit each.
using TGIFDrawOptions = std::uint16_t;
constexpr TGIFDrawOptions drawThreaded = 0x0001;
constexpr TGIFDrawOptions drawTransparent = 0x0002;
constexpr TGIFDrawOptions drawAnimated = 0x0004;
constexpr TGIFDrawOptions drawLooped = 0x0008;
constexpr TGIFDrawOptions drawLoopForever = 0x0010;
constexpr TGIFDrawOptions drawCheckCanvas = 0x0020;
constexpr TGIFDrawOptions drawDirect = 0x0040;
constexpr TGIFDrawOptions drawClearFirst = 0x0080;
constexpr TGIFDrawOptions drawTiled = 0x0100;
constexpr TGIFDrawOptions drawDithered = 0x0200;
constexpr TGIFDrawOptions drawDitherOnPalette = 0x0400;

// Process-wide values that every new document copies.
struct TGIFDefaults {
  TGIFDrawOptions PaintFlags = 0x060F;
  TGIFEncoderKind EncoderKind = encodeLZW;
  TReductionMethod ImportReduction = reduceNetscape;
  int ImportPaletteBits = 8;
  TDitherKind ImportDither = ditherNearest;
};
extern const TGIFDefaults GIFDefaults;

class TGIFImage : public TGraphic {
public:
  TGIFImage();
  ~TGIFImage() override;
  TGIFImage(const TGIFImage&) = delete;
  TGIFImage& operator=(const TGIFImage&) = delete;

  void Clear();
  // A deep copy of another document: header, frames with their extensions, the drawing
  // settings and event hooks, and the import reduction and dither (the encoder, playback
  // speed, import palette bits and cancellation stay this document's own). None clears.
  void CopyFrom(const TGIFImage* source);
  // A GIF document is copied as above; any other graphic becomes the one frame of this
  // document, imported by the frame. None clears.
  void CopyFrom(TGraphic* source);
  void CopyFrom(std::nullptr_t) { Clear(); }
  // A graphic (a GIF document too) becomes a new last frame, imported from it; on failure
  // nothing is added. The logical screen grows to hold the frame. Returns its index.
  int Add(TGraphic& graphic);
  // Appends the frame itself; it must belong to this document.
  int Add(std::unique_ptr<TGIFSubImage> frame);
  // Clipboard: "GIF Image" data is read as a file, bitmap data imported as one frame; other
  // formats fail with "Unsupported clipboard format".
  void LoadFromClipboardFormat(const std::string& format, TClipboard& clipboard) override;
  // Puts the rendered picture as a bitmap and the file bytes as "GIF Image"; nothing for an
  // empty document; "Failed to store GIF on clipboard" when the clipboard refuses the data.
  void SaveToClipboardFormat(TClipboard& clipboard) override;
  // Rewrites the document in place so that it saves smaller and shows the same.
  void OptimizeDocument(TOptimizeOptionSet options, TReductionMethod method, TDitherKind dither,
                        int reductionBits);
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;

  bool IsEmpty() const override { return Frames.Count() == 0; }
  int Width() const override { return Header.LogicalScreenWidth(); }
  int Height() const override { return Header.LogicalScreenHeight(); }
  // Fails with "Image width too small for contained frames" when a frame reaches further.
  void SetWidth(int value);
  void SetHeight(int value);

  // The pixels all frames of the document hold.
  std::int64_t PixelTotal() const { return pixelTotal_; }
  TGIFVersion Version() const;
  int ResolutionBits() const;
  // The widest color map's bits: the header's or any frame's.
  int PixelBits() const;
  // While it lives, no color map changes: PixelBits is worked out once rather than over
  // all frames again for each frame that asks (saving, choosing pixels).
  class TFixedPixelBits {
  public:
    explicit TFixedPixelBits(TGIFImage& image) : image_(image), before_(image.fixedPixelBits_) {
      image.fixedPixelBits_ = -1;
      image.fixedPixelBits_ = image.PixelBits();
    }
    ~TFixedPixelBits() { image_.fixedPixelBits_ = before_; }
    TFixedPixelBits(const TFixedPixelBits&) = delete;
    TFixedPixelBits& operator=(const TFixedPixelBits&) = delete;

  private:
    TGIFImage& image_;
    const int before_;
  };
  TColor BackgroundColor() { return Header.BackgroundColor(); }

  // Passes the warning to WarningHandler when one is set; loading goes on either way.
  virtual void ReportWarning(const TPersistent* sender, int severity, const std::string& message);

  // The palette the document draws with: the view bitmap's, the cached one, or one built
  // from the web palette (dithering), the global map or the first frame.
  TPaletteHandle Palette();
  // Replaces the cached palette; a view bitmap of another palette is dropped.
  void SetPalette(TPaletteHandle value);
  // A rendered bitmap was dropped because its palette changed: the picture must be redrawn.
  void PaletteChanged();
  bool PaletteModified = false;
  void SendChanged() { Changed(); }

  // Draws the first frame, or plays the animation (Draw of the picture system).
  void Draw(TCanvas& canvas, const TRect& rect) override;

  TGIFImageList Frames;
  TGIFHeader Header;
  TGIFDrawOptions PaintFlags;
  int PlaybackSpeed = 100;  // percent
  std::uint8_t PainterPriority = 3;
  // Color reduction of imported true-color pictures.
  TReductionMethod ImportReduction;
  int ImportPaletteBits;
  TDitherKind ImportDither;
  // 0x1FFFFFFF: none, the file's own background color.
  TColor DrawBackgroundColor = 0x1FFFFFFF;
  std::array<TPainterEvent, 5> PainterEvents;  // by TPainterMoment
  // The painters playing this document, under their own lock (re-entrant: a painter's
  // cleanup takes it while a stop that holds it waits); the one that draws its view.
  std::recursive_mutex PainterLock;
  std::vector<std::shared_ptr<TGIFPainter>> Painters;
  TGIFPainter* DrawingPainter = nullptr;
  TGIFEncoderKind EncoderKind;
  // Saving writes each frame's codes only as wide as its highest pixel index needs rather
  // than as wide as its color table: smaller, and read as usual by GIF decoders (the minimum
  // code size only has to cover the pixel values). Off: the width follows the table.
  bool CompactCodeSize = false;
  TGIFWarningEvent WarningHandler;
  // When set, optimizing, saving and compositing the document check it between frames and
  // passes, and throw TCancelled once it is cancelled (the document is then to be cleared).
  const TCancellation* Cancellation = nullptr;
  // The rendered logical screen that drawing and the painter use.
  std::unique_ptr<TBitmap> ViewBitmap;

private:
  friend class TGIFSubImage;
  // The pixels of every frame of this document, kept by the frames as their buffers change.
  std::int64_t pixelTotal_ = 0;
  // What pixelTotal_ may reach: while a file is read, what MaxFilePixels allows it.
  std::int64_t pixelLimit_ = kMaxDocumentPixels;
  int fixedPixelBits_ = -1;  // -1: worked out on each call
  TPaletteHandle palette_;
  bool buildingPalette_ = false;
  bool drawing_ = false;
  // Lets code that runs painters notice that the document went away meanwhile.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace lumvane
