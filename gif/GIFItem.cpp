#include "gif/GIFItem.h"

#include "base/StreamHelpers.h"
#include "gif/GIFImage.h"

namespace lumvane {

void TGIFItem::ReportWarning(int severity, const std::string& message) {
  if (image_) image_->ReportWarning(this, severity, message);
}

void TGIFItem::SaveToFile(const std::string& path) {
  TFileStream stream(path, TFileMode::CreateOrTruncate);
  SaveToStream(stream);
}

void TGIFItem::LoadFromFile(const std::string& path) {
  TFileStream stream(path, TFileMode::OpenRead);
  LoadFromStream(stream);
}

void TGIFTrailer::SaveToStream(TStream& stream) { WriteByte(stream, 0x3B); }

void TGIFTrailer::LoadFromStream(TStream& stream) {
  std::uint8_t byte = 0;
  if (TryReadByte(stream, byte) && byte != 0x3B) ReportWarning(1, "Invalid Image trailer");
}

void TGIFListBase::ReportWarning(int severity, const std::string& message) {
  if (image_) image_->ReportWarning(this, severity, message);
}

}  // namespace lumvane
