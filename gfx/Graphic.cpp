#include "gfx/Graphic.h"

#include "base/Errors.h"

namespace lumvane {

void TGraphic::LoadFromFile(const std::string& path) {
  TFileStream stream(path, TFileMode::OpenRead);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& path) {
  TFileStream stream(path, TFileMode::CreateOrTruncate);
  SaveToStream(stream);
}

void TGraphic::LoadFromClipboardFormat(const std::string&, TClipboard&) {
  throw EInvalidGraphic(kUnsupportedClipboardFormatText);
}

void TGraphic::SaveToClipboardFormat(TClipboard&) { throw EInvalidGraphic(kUnsupportedClipboardFormatText); }

}  // namespace lumvane
