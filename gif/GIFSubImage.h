#pragma once
// One frame: the extensions before an image, the image descriptor, the local color table
// and the decoded pixels.

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "base/StreamHelpers.h"
#include "gfx/Bitmap.h"
#include "gif/BlockBytes.h"
#include "gif/GIFColorMap.h"
#include "gif/GIFExtension.h"
#include "gif/GIFItem.h"

namespace lumvane {

// encodeLZWShorter and encodeLZWShortest write each frame in several LZW encodings and keep
// the shortest: the quick and the full search of EncodeShortest.
enum TGIFEncoderKind : std::uint8_t { encodeLZW = 0, encodeRLE = 1, encodeLZWShortest = 2, encodeLZWShorter = 3 };

class TGIFGraphicControlExtension;
class TGraphic;
class TPictureContainer;

// A frame may declare at most this many pixels, and a document's frames together at most
// kMaxDocumentPixels; larger declarations fail with "Image too large" before allocation.
constexpr std::int64_t kMaxFramePixels = std::int64_t{1} << 28;
constexpr std::int64_t kMaxDocumentPixels = std::int64_t{1} << 31;
// A file read holds frames of at most kMaxSmallFilePixels together, or kMaxPixelsPerFileByte
// for each of its bytes when that is more (up to kMaxDocumentPixels): what a file shows costs
// memory and time in proportion to its pixels, and a file that unpacks to more than this
// many pixels per byte would cost far beyond its size (an 8192 × 8192 screen of one color
// fits; a 100 KB file of 2^28 blank pixels does not).
constexpr std::int64_t kMaxSmallFilePixels = std::int64_t{1} << 26;
constexpr std::int64_t kMaxPixelsPerFileByte = 64;
std::int64_t MaxFilePixels(std::int64_t fileBytes);

class TGIFSubImage : public TGIFItem {
public:
  explicit TGIFSubImage(TGIFImage* image);
  ~TGIFSubImage() override;

  TGIFVersion RequiredVersion() const override;
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;

  void Clear();
  // A deep copy of another frame: descriptor, pixels, local map and new copies of its
  // extensions (an imageless frame keeps its extensions too).
  void CopyFrom(const TGIFSubImage& source);
  // Import of a bitmap: its pixels with a local color map, true-color bitmaps reduced to a
  // palette first by the document's import settings, its transparent color as transparency.
  // Reports "Converting..." progress. A bitmap side above 65535 fails with "Image too large".
  void CopyFrom(const TBitmap& bitmap);
  // Any other graphic, drawn into a bitmap (a GIF document: its rendered picture) and
  // imported; icons and metafiles bring their see-through areas as transparency.
  void CopyFrom(TGraphic& graphic);
  // The container's graphic; an empty container clears the frame.
  void CopyFrom(TPictureContainer& picture);
  // Makes transparent the pixels whose mask value (read at 8 bits per pixel) is not 0, with
  // a black entry added to the packed local map as the transparent color. Nothing happens
  // when the map is empty or full.
  void ApplyMask(const TBitmap& mask);

  // Shrinks a transparent frame to the bounding box of its non-transparent pixels, moving
  // it so that nothing on screen changes. A frame without a visible pixel is cleared, or
  // with keepOnePixel becomes its own top-left pixel. A frame whose new position would pass
  // 65535 stays as it is.
  void CropToContent(bool keepOnePixel = false);
  // Makes transparent every pixel that shows the same color as the frame drawn below it.
  void MergeWithPrevious(const TGIFSubImage* previous);
  // Image descriptor: separator, left, top, width, height (2 bytes each), flags.
  std::array<std::uint8_t, 10> Descriptor{kImageSeparator};
  int FrameLeft() const { return ReadLE16(&Descriptor[1]); }
  int FrameTop() const { return ReadLE16(&Descriptor[3]); }
  int FrameWidth() const { return ReadLE16(&Descriptor[5]); }
  int FrameHeight() const { return ReadLE16(&Descriptor[7]); }
  std::uint8_t ImageFlags() const { return Descriptor[9]; }
  void SetFrameLeft(int value) { SetGeometry(value, FrameTop(), FrameWidth(), FrameHeight()); }
  void SetFrameTop(int value) { SetGeometry(FrameLeft(), value, FrameWidth(), FrameHeight()); }
  void SetFrameWidth(int value) { SetGeometry(FrameLeft(), FrameTop(), value, FrameHeight()); }
  void SetFrameHeight(int value) { SetGeometry(FrameLeft(), FrameTop(), FrameWidth(), value); }
  void SetGeometry(int left, int top, int width, int height);
  TRect FrameRect() const {
    return {FrameLeft(), FrameTop(), FrameLeft() + FrameWidth(), FrameTop() + FrameHeight()};
  }
  bool IsInterlaced() const { return ImageFlags() & 0x40; }
  // Sends the rows in interlaced order or in plain order; the pixels stay in display order.
  void SetInterlaced(bool interlaced) {
    Descriptor[9] = static_cast<std::uint8_t>((Descriptor[9] & ~0x40) | (interlaced ? 0x40 : 0));
  }
  bool IsEmpty() const { return pixels_.empty() || FrameWidth() == 0 || FrameHeight() == 0; }

  // Rebuilds ImageFlags before saving.
  void PrepareFlags();

  TGIFLocalColorMap& LocalColorMap() { return localColorMap_; }
  const TGIFLocalColorMap& LocalColorMap() const { return localColorMap_; }
  // The local map when it has entries, else the global map when that has, else the local.
  TGIFColorMap& EffectiveColorMap();
  int PixelBits() const { return localColorMap_.PixelBits(); }
  int ResolutionBits() const { return PixelBits() - 1; }

  // Rendering caches: the frame as a bitmap, and its transparency mask (none when no pixel
  // is transparent). They are dropped whenever size, pixels or palette change.
  std::unique_ptr<TBitmap> Bitmap;
  std::unique_ptr<TBitmap> Mask;
  bool MaskStale = true;
  void FreeBitmap() { Bitmap.reset(); }
  void FreeMask() {
    Mask.reset();
    MaskStale = true;
  }
  // Whether the frame has a mask, rendering it again first when it is stale.
  bool HasMask();
  // The palette the frame renders with: the rendered bitmap's, the cached one, the web
  // palette while dithering, the document's without a local map, else the local map's.
  TPaletteHandle Palette();
  // Replaces the cached palette; a rendered bitmap of another palette is dropped.
  void SetPalette(TPaletteHandle value);

  TGIFExtensionList& Extensions() { return extensions_; }
  const TGIFExtensionList& Extensions() const { return extensions_; }
  bool IsTransparent = false;
  TGIFGraphicControlExtension* ControlExtension = nullptr;
  // Graphic control blocks among the extensions; viewers go by the last one.
  int ControlBlockCount() const;

  // One color index per pixel, rows top to bottom, no padding.
  std::uint8_t* Pixels() { return pixels_.data(); }
  const std::uint8_t* Pixels() const { return pixels_.data(); }
  std::int64_t PixelCount() const { return static_cast<std::int64_t>(pixels_.size()); }
  std::uint8_t PixelAt(int x, int y);
  std::uint8_t* RowAt(int y);
  void EnsurePixels();
  // A buffer of width × height bytes, each fill (none when the product is 0).
  void AllocatePixels(std::uint8_t fill = 0);
  void ReleasePixels();
  // Decodes the image data at the stream position into a new pixel buffer.
  void DecodePixels(TStream& stream);
  // Writes the pixels as image data with the encoder the document's EncoderKind names, or
  // with the one given.
  void EncodePixels(TStream& stream);
  void EncodePixels(TStream& stream, TGIFEncoderKind kind);
  // Takes bytes as what EncodePixels writes with kind for the pixels as they are now, made
  // elsewhere with minimum code size codeSize; ignored when EncodePixels would use another.
  // For greedy LZW, reachedClearPoint tells whether its table came to the lowest clear point.
  void RememberEncoding(TGIFEncoderKind kind, int codeSize, std::vector<std::uint8_t> bytes,
                        bool reachedClearPoint = true);
  // The LZW minimum code size the pixels are written with when the highest is given.
  int CodeSizeFor(int highestPixel) const;

private:
  // Fails with "Image too large" when a buffer of width × height would break the limits.
  void CheckPixelLimits(std::int64_t pixels) const;
  // Replaces the pixel buffer, keeping the document's running pixel total.
  void SetPixelBuffer(std::vector<std::uint8_t> pixels);
  bool HasRoomForTransparency();
  int PickTransparentIndex();
  // True when a pixel lies at or beyond the count of the frame's color map.
  bool HasPixelsBeyondColorMap();

  // Drops both rendering caches after a change of size or pixels.
  void FreeRendering() {
    FreeBitmap();
    FreeMask();
  }

  std::vector<std::uint8_t> pixels_;
  // Code size, colors, interlaced, width, height, encoder.
  using TEncodingParameters = std::array<int, 6>;
  // The last two image data EncodePixels made or was given and what they were made from,
  // the newest first: a frame measured and then saved unchanged is coded once, also when
  // the pixel choice measured other pixels in between and put the frame's own back. A
  // search of several encodings starts from a greedy coding it finds here.
  struct TEncoding {
    std::vector<std::uint8_t> Pixels;
    TEncodingParameters Parameters{};
    std::vector<std::uint8_t> Bytes;
    bool ReachedClearPoint = true;  // greedy LZW's table came to the lowest clear point
  };
  TEncodingParameters EncodingParameters(TGIFEncoderKind kind) const;
  // The remembered coding for the pixels as they are now, or null.
  const TEncoding* KnownEncoding(const TEncodingParameters& parameters) const;
  void Remember(const TEncodingParameters& parameters, std::vector<std::uint8_t> bytes, bool reachedClearPoint);
  std::array<TEncoding, 2> encodings_;
  TPaletteHandle palette_;
  TGIFLocalColorMap localColorMap_;
  TGIFExtensionList extensions_;
};

// The frame list of a document.
class TGIFImageList : public TGIFList<TGIFSubImage> {
public:
  using TGIFList::TGIFList;
  void LoadFromStream(TStream& stream, TGIFImage& parent);
  void SaveToStream(TStream& stream) override;
};

}  // namespace lumvane
