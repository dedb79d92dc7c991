#include "gif/GIFItem.h"

#include "base/Messages.h"
#include "base/StreamHelpers.h"
#include "gif/BlockBytes.h"
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

void TGIFTrailer::SaveToStream(TStream& stream) { WriteByte(stream, kTrailer); }

void TGIFTrailer::LoadFromStream(TStream& stream) {
  std::uint8_t byte = 0;
  if (TryReadByte(stream, byte) && byte != kTrailer) ReportWarning(kSeverityDamage, MessageText(TGIFError::InvalidImageTrailer));
}

void TGIFListBase::ReportWarning(int severity, const std::string& message) {
  if (image_) image_->ReportWarning(this, severity, message);
}

}  // namespace lumvane
