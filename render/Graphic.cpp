#include "render/Graphic.h"

namespace lumvane {

void TGraphic::LoadFromFile(const std::string& path) {
  TFileStream stream(path, TFileMode::OpenRead);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& path) {
  TFileStream stream(path, TFileMode::CreateOrTruncate);
  SaveToStream(stream);
}

}  // namespace lumvane
