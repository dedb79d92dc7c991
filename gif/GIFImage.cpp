#include "gif/GIFImage.h"

#include <utility>

#include "base/Errors.h"
#include "gfx/RowAccess.h"
#include "gif/BlockScan.h"
#include "render/FrameRendering.h"

namespace lumvane {

const TGIFDefaults GIFDefaults;

TGIFImage::TGIFImage()
    : Frames(this),
      Header(this),
      PaintFlags(GIFDefaults.PaintFlags),
      ImportReduction(GIFDefaults.ImportReduction),
      ImportPaletteBits(GIFDefaults.ImportPaletteBits),
      ImportDither(GIFDefaults.ImportDither),
      EncoderKind(GIFDefaults.EncoderKind) {
  Clear();
}

TGIFImage::~TGIFImage() {
  StopAllPainters(*this);
  {
    std::lock_guard lock(PainterLock);
    for (const auto& painter : Painters) painter->ForgetDocument();
    DrawingPainter = nullptr;
  }
  *alive_ = false;
  Frames.Clear();
}

void TGIFImage::Clear() {
  StopAllPainters(*this);
  Frames.Clear();
  Header.GlobalColorMap().Clear();
  Header.SetLogicalScreenWidth(0);
  Header.SetLogicalScreenHeight(0);
  Header.PrepareFlags();
  palette_.reset();
}

void TGIFImage::CopyFrom(const TGIFImage* source) {
  if (source == this) return;
  Clear();
  if (!source) return;
  static const std::string kCopying = "Copying...";
  // The copy reports through the source's handlers; this document's come back afterwards.
  const TProgressEvent ownProgress = std::exchange(OnProgress, source->OnProgress);
  const TGIFWarningEvent ownWarnings = std::exchange(WarningHandler, source->WarningHandler);
  try {
    Progress(this, TProgressStage::Starting, 0, false, kCopying);
    Header.CopyFrom(source->Header);
    PainterPriority = source->PainterPriority;
    DrawBackgroundColor = source->DrawBackgroundColor;
    PaintFlags = source->PaintFlags;
    ImportReduction = source->ImportReduction;
    ImportDither = source->ImportDither;
    PainterEvents = source->PainterEvents;
    const int count = source->Frames.Count();
    for (int i = 0; i < count; ++i) {
      auto frame = std::make_unique<TGIFSubImage>(this);
      frame->CopyFrom(source->Frames[i]);
      Frames.Add(std::move(frame));
      Progress(this, TProgressStage::Running, Percent(i + 1, count), false, kCopying);
    }
    Progress(this, TProgressStage::Ending, 100, false, kCopying);
  } catch (...) {
    Progress(this, TProgressStage::Ending, 0, false, kCopying);
    OnProgress = ownProgress;
    WarningHandler = ownWarnings;
    throw;
  }
  OnProgress = ownProgress;
  WarningHandler = ownWarnings;
}

void TGIFImage::LoadFromStream(TStream& stream) {
  static const std::string kLoading = "Loading...";
  Progress(this, TProgressStage::Starting, 0, false, kLoading);
  Clear();
  const std::int64_t start = stream.Position();
  // The frames the descriptors declare must fit the file's limit before the first is
  // allocated; the frames read are held to it as well.
  pixelLimit_ = MaxFilePixels(stream.Size() - start);
  try {
    Header.LoadFromStream(stream);
    if (ScanBlocks(stream, Width(), Height()).FramePixels() > pixelLimit_) throw GIFException(TGIFError::ImageTooLarge);
    Frames.LoadFromStream(stream, *this);
    TGIFTrailer(this).LoadFromStream(stream);
  } catch (...) {
    pixelLimit_ = kMaxDocumentPixels;
    stream.SetPosition(start);
    Progress(this, TProgressStage::Ending, 0, true, kLoading);
    throw;
  }
  pixelLimit_ = kMaxDocumentPixels;
  Progress(this, TProgressStage::Ending, 100, true, kLoading);
}

void TGIFImage::SaveToStream(TStream& stream) {
  static const std::string kSaving = "Saving...";
  Progress(this, TProgressStage::Starting, 0, false, kSaving);
  try {
    const TFixedPixelBits fixed(*this);
    Header.SaveToStream(stream);
    Frames.SaveToStream(stream);
    TGIFTrailer(this).SaveToStream(stream);
  } catch (...) {
    Progress(this, TProgressStage::Ending, 0, true, kSaving);
    throw;
  }
  Progress(this, TProgressStage::Ending, 100, true, kSaving);
}

void TGIFImage::SetWidth(int value) {
  for (const auto& frame : Frames)
    if (frame->FrameLeft() + frame->FrameWidth() > value)
      throw GIFException(TGIFError::ScreenTooNarrow);
  if (value == Header.LogicalScreenWidth()) return;
  Header.SetLogicalScreenWidth(value);
  ReleaseViewBitmap(*this);
  Changed();
}

void TGIFImage::SetHeight(int value) {
  for (const auto& frame : Frames)
    if (frame->FrameTop() + frame->FrameHeight() > value)
      throw GIFException(TGIFError::ScreenTooShort);
  if (value == Header.LogicalScreenHeight()) return;
  Header.SetLogicalScreenHeight(value);
  ReleaseViewBitmap(*this);
  Changed();
}

TGIFVersion TGIFImage::Version() const {
  TGIFVersion version = VersionUnknown;
  for (const auto& frame : Frames) {
    version = std::max(version, frame->RequiredVersion());
    if (version >= Version89a) break;
  }
  return version;
}

int TGIFImage::ResolutionBits() const {
  int bits = Header.ResolutionBits();
  for (const auto& frame : Frames) bits = std::max(bits, frame->ResolutionBits());
  return bits;
}

int TGIFImage::PixelBits() const {
  if (fixedPixelBits_ >= 0) return fixedPixelBits_;
  int bits = Header.PixelBits();
  for (const auto& frame : Frames) bits = std::max(bits, frame->PixelBits());
  return bits;
}

TPaletteHandle TGIFImage::Palette() {
  if (buildingPalette_) throw GIFException(TGIFError::NoColorTable);
  if (ViewBitmap && ViewBitmap->Palette()) return ViewBitmap->Palette();
  if (palette_) return palette_;
  // The first frame may ask back (it has no map of its own either): that fails above.
  struct TGuard {
    bool& flag;
    explicit TGuard(bool& f) : flag(f) { flag = true; }
    ~TGuard() { flag = false; }
  } guard(buildingPalette_);
  if (UseDithering(*this))
    palette_ = WebPalette();
  else if (Header.GlobalColorMap().Count() > 0)
    palette_ = Header.GlobalColorMap().ExportSystemPalette();
  else if (Frames.Count() > 0)
    return Frames[0].Palette();
  return palette_;
}

void TGIFImage::SetPalette(TPaletteHandle value) {
  if (value != palette_) palette_ = std::move(value);
  if (ViewBitmap && ViewBitmap->Palette() != palette_) {
    ReleaseViewBitmap(*this);
    PaletteChanged();
  }
}

void TGIFImage::PaletteChanged() {
  PaletteModified = true;
  Changed();
}

void TGIFImage::ReportWarning(const TPersistent* sender, int severity, const std::string& message) {
  if (WarningHandler) WarningHandler(sender, severity, message);
}

}  // namespace lumvane
