// Documents made from other pictures, frame by frame, and the clipboard.

#include "base/Errors.h"
#include "gfx/Clipboard.h"
#include "gif/GIFImage.h"
#include "render/FrameRendering.h"

namespace lumvane {

int TGIFImage::Add(std::unique_ptr<TGIFSubImage> frame) {
  if (!frame || frame->Image() != this) throw GIFException(TGIFError::UnsupportedOperation);
  const TRect area = frame->FrameRect();
  const int index = Frames.Add(std::move(frame));
  // The logical screen holds every frame: a reader would warn about one that reaches out.
  if (area.Right > Width()) Header.SetLogicalScreenWidth(area.Right);
  if (area.Bottom > Height()) Header.SetLogicalScreenHeight(area.Bottom);
  ReleaseViewBitmap(*this);
  Changed();
  return index;
}

int TGIFImage::Add(TGraphic& graphic) {
  auto frame = std::make_unique<TGIFSubImage>(this);
  frame->CopyFrom(graphic);
  return Add(std::move(frame));
}

void TGIFImage::CopyFrom(TGraphic* source) {
  if (auto* document = dynamic_cast<TGIFImage*>(source)) {
    CopyFrom(static_cast<const TGIFImage*>(document));
    return;
  }
  Clear();
  if (source) Add(*source);
}

void TGIFImage::LoadFromClipboardFormat(const std::string& format, TClipboard& clipboard) {
  if (format == kGIFClipboardFormat) {
    TMemoryStream stream(clipboard.Data(format));
    LoadFromStream(stream);
  } else if (format == kBitmapClipboardFormat) {
    TBitmap bitmap;
    if (!clipboard.GetBitmap(bitmap)) throw GIFException(TGIFError::UnsupportedClipboardFormat);
    Clear();
    auto frame = std::make_unique<TGIFSubImage>(this);
    frame->CopyFrom(bitmap);
    Add(std::move(frame));
  } else {
    throw GIFException(TGIFError::UnsupportedClipboardFormat);
  }
}

void TGIFImage::SaveToClipboardFormat(TClipboard& clipboard) {
  if (IsEmpty()) return;
  TMemoryStream bytes;
  SaveToStream(bytes);
  TBitmap picture;
  AssignTo(*this, picture);
  clipboard.Open();
  if (!picture.Empty()) clipboard.SetBitmap(picture);
  if (!clipboard.SetData(kGIFClipboardFormat, bytes.Bytes())) throw GIFException(TGIFError::ClipboardStoreFailed);
}

}  // namespace lumvane
