#include "gif/GIFSubImage.h"

#include <algorithm>

#include "base/Buffers.h"
#include "base/Errors.h"
#include "gfx/RowAccess.h"
#include "gif/BlockBytes.h"
#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFImage.h"
#include "lzw/LZWDecoder.h"
#include "lzw/LZWEncoder.h"
#include "lzw/RLEEncoder.h"
#include "lzw/ShortestEncoding.h"
#include "render/FrameRendering.h"

namespace lumvane {

TGIFSubImage::TGIFSubImage(TGIFImage* image)
    : TGIFItem(image), localColorMap_(*this), extensions_(image) {}

// The extensions go first: a graphic control extension updates its frame as it goes.
TGIFSubImage::~TGIFSubImage() {
  extensions_.Clear();
  ReleasePixels();
}

void TGIFSubImage::Clear() {
  extensions_.Clear();
  localColorMap_.Clear();
  ReleasePixels();
  FreeRendering();
  SetGeometry(FrameLeft(), FrameTop(), FrameWidth(), 0);
  SetGeometry(FrameLeft(), FrameTop(), 0, 0);
  IsTransparent = false;
  ControlExtension = nullptr;
}

void TGIFSubImage::CopyFrom(const TGIFSubImage& source) {
  if (&source == this) return;
  Clear();
  TMemoryStream extensions;
  const_cast<TGIFExtensionList&>(source.extensions_).SaveToStream(extensions);
  extensions.SetPosition(0);
  extensions_.LoadFromStream(extensions, *this);
  if (source.IsEmpty()) return;
  CheckPixelLimits(source.PixelCount());
  Descriptor = source.Descriptor;
  SetPixelBuffer(CopiedBuffer(source.pixels_));
  localColorMap_.CopyFrom(source.localColorMap_);
  IsTransparent = source.IsTransparent;
}

int TGIFSubImage::ControlBlockCount() const {
  const auto isControl = [](const auto& extension) {
    return dynamic_cast<const TGIFGraphicControlExtension*>(extension.get()) != nullptr;
  };
  return static_cast<int>(std::count_if(extensions_.begin(), extensions_.end(), isControl));
}

TGIFVersion TGIFSubImage::RequiredVersion() const {
  TGIFVersion version = localColorMap_.Sorted() ? Version89a : Version87a;
  for (const auto& extension : extensions_) {
    if (version >= Version89a) break;
    version = std::max(version, extension->RequiredVersion());
  }
  return version;
}

TGIFColorMap& TGIFSubImage::EffectiveColorMap() {
  if (localColorMap_.Count() > 0) return localColorMap_;
  if (Image() && Image()->Header.GlobalColorMap().Count() > 0) return Image()->Header.GlobalColorMap();
  return localColorMap_;
}

void TGIFSubImage::PrepareFlags() {
  if (localColorMap_.Count() > 0) {
    int flags = 0x80 | ((localColorMap_.PixelBits() - 1) & 7);
    if (localColorMap_.Sorted()) flags |= 0x20;
    Descriptor[9] = static_cast<std::uint8_t>(flags);
  } else {
    Descriptor[9] &= 0x58;
  }
}

namespace {

// The logical screen grows to reach the frame's edge; a screen side holds at most 65535, so
// a frame reaching further makes it as large as it can be rather than wrap around.
void GrowScreen(TGIFImage& image, int edge, bool horizontal) {
  if (edge > 0xFFFF) {
    if (horizontal)
      image.Header.SetLogicalScreenWidth(0xFFFF);
    else
      image.Header.SetLogicalScreenHeight(0xFFFF);
    image.SendChanged();
  } else if (horizontal) {
    image.SetWidth(edge);
  } else {
    image.SetHeight(edge);
  }
}

}  // namespace

void TGIFSubImage::SetGeometry(int left, int top, int width, int height) {
  // The descriptor holds 16-bit values; nothing changes when the new ones cannot be held.
  for (const int value : {left, top, width, height}) {
    if (value < 0) throw GIFException(TGIFError::InvalidImageDimensions);
    if (value > 0xFFFF) throw GIFException(TGIFError::ImageTooLarge);
  }
  const bool resized = width != FrameWidth() || height != FrameHeight();
  if (resized) CheckPixelLimits(static_cast<std::int64_t>(width) * height);
  WriteLE16(&Descriptor[1], static_cast<std::uint16_t>(left));
  WriteLE16(&Descriptor[3], static_cast<std::uint16_t>(top));
  WriteLE16(&Descriptor[5], static_cast<std::uint16_t>(width));
  WriteLE16(&Descriptor[7], static_cast<std::uint16_t>(height));
  if (resized) {
    FreeRendering();
    ReleasePixels();
    AllocatePixels();
  }
  TGIFImage* image = Image();
  if (!image) return;
  bool exceeds = false;
  if (image->Width() < FrameLeft() + FrameWidth()) {
    if (image->Width() > 0) {
      exceeds = true;
      ReportWarning(kSeverityDamage, MessageText(TGIFError::ScreenTooNarrow));
    }
    GrowScreen(*image, FrameLeft() + FrameWidth(), true);
  }
  if (image->Height() < FrameTop() + FrameHeight()) {
    if (image->Height() > 0) {
      exceeds = true;
      ReportWarning(kSeverityDamage, MessageText(TGIFError::ScreenTooShort));
    }
    GrowScreen(*image, FrameTop() + FrameHeight(), false);
  }
  if (exceeds) ReportWarning(kSeverityDamage, MessageText(TGIFError::ImageExceedsScreen));
}

std::uint8_t TGIFSubImage::PixelAt(int x, int y) {
  if (x < 0 || x >= FrameWidth()) throw GIFException(TGIFError::InvalidPixelCoordinates);
  return RowAt(y)[x];
}

std::uint8_t* TGIFSubImage::RowAt(int y) {
  if (y < 0 || y >= FrameHeight()) throw GIFException(TGIFError::InvalidPixelCoordinates);
  EnsurePixels();
  return pixels_.data() + static_cast<std::size_t>(y) * FrameWidth();
}

void TGIFSubImage::EnsurePixels() {
  if (pixels_.empty()) AllocatePixels();
  if (pixels_.empty()) throw GIFException(TGIFError::ImageIsEmpty);
}

std::int64_t MaxFilePixels(std::int64_t fileBytes) {
  return std::clamp(fileBytes * kMaxPixelsPerFileByte, kMaxSmallFilePixels, kMaxDocumentPixels);
}

void TGIFSubImage::CheckPixelLimits(std::int64_t pixels) const {
  if (pixels > kMaxFramePixels) throw GIFException(TGIFError::ImageTooLarge);
  if (Image() && Image()->pixelTotal_ - PixelCount() + pixels > Image()->pixelLimit_)
    throw GIFException(TGIFError::ImageTooLarge);
}

void TGIFSubImage::SetPixelBuffer(std::vector<std::uint8_t> pixels) {
  if (Image()) Image()->pixelTotal_ += static_cast<std::int64_t>(pixels.size()) - PixelCount();
  pixels_ = std::move(pixels);
}

void TGIFSubImage::AllocatePixels(std::uint8_t fill) {
  ReleasePixels();
  const std::int64_t count = static_cast<std::int64_t>(FrameWidth()) * FrameHeight();
  CheckPixelLimits(count);
  SetPixelBuffer(FilledBuffer(static_cast<std::size_t>(count), fill));
}

void TGIFSubImage::ReleasePixels() {
  SetPixelBuffer({});
  encodings_ = {};
}

void TGIFSubImage::DecodePixels(TStream& stream) {
  FreeRendering();
  // Pixels the data does not reach stay transparent where the frame has transparency.
  AllocatePixels(IsTransparent && ControlExtension ? ControlExtension->TransparentIndex() : 0);
  const TWarningSink warn = [this](int severity, const std::string& message) {
    ReportWarning(severity, message);
  };
  DecodeLZW(stream, TFramePixels{pixels_.data(), FrameWidth(), FrameHeight(), IsInterlaced()}, warn);
}

bool TGIFSubImage::HasMask() {
  if (MaskStale && IsTransparent) {
    FreeBitmap();
    FrameBitmap(*this);
  }
  return Mask != nullptr;
}

TPaletteHandle TGIFSubImage::Palette() {
  if (Bitmap && Bitmap->Palette()) return Bitmap->Palette();
  if (palette_) return palette_;
  if (Image() && UseDithering(*Image())) return palette_ = WebPalette();
  if (localColorMap_.Count() == 0) return Image() ? Image()->Palette() : nullptr;
  return palette_ = localColorMap_.ExportSystemPalette();
}

void TGIFSubImage::SetPalette(TPaletteHandle value) {
  if (value == palette_) return;
  palette_.reset();
  if (Bitmap && value != Bitmap->Palette()) {
    FreeBitmap();
    if (Image()) Image()->PaletteChanged();
  }
  palette_ = std::move(value);
}

int TGIFSubImage::CodeSizeFor(int highestPixel) const {
  const int bits = localColorMap_.Count() > 0 ? localColorMap_.PixelBits() : (Image() ? Image()->PixelBits() : 0);
  if (Image() && Image()->CompactCodeSize) return std::min(bits, TGIFColorMap::PixelBitsFor(highestPixel + 1));
  return bits;
}

void TGIFSubImage::EncodePixels(TStream& stream) { EncodePixels(stream, Image() ? Image()->EncoderKind : encodeLZW); }

TGIFSubImage::TEncodingParameters TGIFSubImage::EncodingParameters(TGIFEncoderKind kind) const {
  const int colorCount =
      localColorMap_.Count() > 0 ? localColorMap_.Count() : 1 << (Image() ? Image()->PixelBits() : 0);
  const int bits = CodeSizeFor(pixels_.empty() ? colorCount - 1 : *std::max_element(pixels_.begin(), pixels_.end()));
  return {bits, colorCount, IsInterlaced(), FrameWidth(), FrameHeight(), kind};
}

const TGIFSubImage::TEncoding* TGIFSubImage::KnownEncoding(const TEncodingParameters& parameters) const {
  for (const TEncoding& known : encodings_)
    if (parameters == known.Parameters && pixels_ == known.Pixels) return &known;
  return nullptr;
}

void TGIFSubImage::Remember(const TEncodingParameters& parameters, std::vector<std::uint8_t> bytes,
                            bool reachedClearPoint) {
  encodings_[1] = std::move(encodings_[0]);
  encodings_[0] = {pixels_, parameters, std::move(bytes), reachedClearPoint};
}

void TGIFSubImage::RememberEncoding(TGIFEncoderKind kind, int codeSize, std::vector<std::uint8_t> bytes,
                                    bool reachedClearPoint) {
  const TEncodingParameters parameters = EncodingParameters(kind);
  if (parameters[0] == codeSize) Remember(parameters, std::move(bytes), reachedClearPoint);
}

void TGIFSubImage::EncodePixels(TStream& stream, TGIFEncoderKind kind) {
  const TCancellation* cancellation = Image() ? Image()->Cancellation : nullptr;
  ThrowIfCancelled(cancellation);
  const TEncodingParameters parameters = EncodingParameters(kind);
  if (const TEncoding* known = KnownEncoding(parameters)) {
    stream.WriteBuffer(known->Bytes.data(), known->Bytes.size());
    return;
  }
  const int bits = parameters[0];
  const int colorCount = parameters[1];
  const TConstFramePixels frame{pixels_.data(), FrameWidth(), FrameHeight(), IsInterlaced()};
  TMemoryStream encoded;
  bool reachedClearPoint = true;
  switch (kind) {
    case encodeRLE:
      TRLEEncoder().Encode(encoded, bits, colorCount, frame);
      break;
    case encodeLZW: {
      TLZWEncoder encoder;
      encoder.Encode(encoded, bits, colorCount, frame);
      reachedClearPoint = encoder.ReachedClearPoint();
      break;
    }
    case encodeLZWShorter:
    case encodeLZWShortest: {
      TEncodingParameters greedyParameters = parameters;
      greedyParameters[5] = encodeLZW;
      const TEncoding* known = KnownEncoding(greedyParameters);
      EncodeShortest(encoded, bits, colorCount, frame,
                     kind == encodeLZWShorter ? TEncodingSearch::Quick : TEncodingSearch::Full, cancellation,
                     known ? TGreedyCoding{&known->Bytes, known->ReachedClearPoint} : TGreedyCoding{});
      break;
    }
  }
  Remember(parameters, encoded.TakeBytes(), reachedClearPoint);
  stream.WriteBuffer(encodings_[0].Bytes.data(), encodings_[0].Bytes.size());
}

void TGIFSubImage::LoadFromStream(TStream& stream) {
  Clear();
  extensions_.LoadFromStream(stream, *this);
  std::uint8_t next = 0;
  if (!TryReadByte(stream, next)) return;
  stream.Seek(-1, TSeekOrigin::Current);
  if (next == kTrailer || next == 0x00) return;

  ReadExact(stream, Descriptor.data(), Descriptor.size());
  if (FrameWidth() == 0 || FrameHeight() == 0) {
    WriteLE16(&Descriptor[7], static_cast<std::uint16_t>(Image() ? Image()->Height() : 0));
    WriteLE16(&Descriptor[5], static_cast<std::uint16_t>(Image() ? Image()->Width() : 0));
    ReportWarning(kSeverityDamage, MessageText(TGIFError::ImageExceedsScreen));
  }
  if (ImageFlags() & 0x80) localColorMap_.LoadFromStream(stream, 2 << (ImageFlags() & 7));
  DecodePixels(stream);
}

void TGIFSubImage::SaveToStream(TStream& stream) {
  extensions_.SaveToStream(stream);
  if (IsEmpty()) return;
  PrepareFlags();
  stream.WriteBuffer(Descriptor.data(), Descriptor.size());
  localColorMap_.SaveToStream(stream);
  EncodePixels(stream);
}

void TGIFImageList::LoadFromStream(TStream& stream, TGIFImage& parent) {
  for (;;) {
    std::uint8_t byte = 0;
    if (!TryReadByte(stream, byte)) return;
    if (byte == 0x00) continue;
    stream.Seek(-1, TSeekOrigin::Current);
    if (byte == kTrailer) return;
    if (byte != kExtensionIntroducer && byte != kImageSeparator) {
      ReportWarning(kSeverityDamage, MessageText(TGIFError::UnknownBlockType));
      return;
    }
    auto frame = std::make_unique<TGIFSubImage>(&parent);
    frame->LoadFromStream(stream);
    Add(std::move(frame));
    parent.Progress(this, TProgressStage::Running, Percent(stream.Position(), stream.Size()),
                          false, "Loading...");
  }
}

void TGIFImageList::SaveToStream(TStream& stream) {
  TGIFImage& image = *Image();
  for (int i = 0; i < Count(); ++i) {
    (*this)[i].SaveToStream(stream);
    image.Progress(this, TProgressStage::Running, Percent(i + 1, Count()), false, "Saving...");
  }
}

}  // namespace lumvane
