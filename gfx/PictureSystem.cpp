#include "gfx/PictureSystem.h"

#include <cctype>
#include <filesystem>
#include <map>
#include <mutex>
#include <stdexcept>
#include <utility>

#include "base/Errors.h"

namespace lumvane {
namespace {

struct TGraphicClass {
  TGraphicFileFormat Format;
  TGraphicFactory Create;
};

struct TRegistry {
  std::mutex Lock;
  std::map<std::string, TGraphicClass> Classes;  // by upper-case extension
  std::map<std::string, TGraphicFactory> ClipboardClasses;  // by format name
};

// Built on first use, so that registrars in other files' static objects find it ready, and
// destroyed only after every registrar that used it during its construction.
TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

std::string Key(std::string extension) {
  for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return extension;
}

// The file's extension with its dot, "" when it has none.
std::string DottedExtension(const std::string& path) { return std::filesystem::path(path).extension().string(); }

}  // namespace

void RegisterGraphicClass(const std::string& extension, const std::string& description, TGraphicFactory create) {
  if (extension.empty() || extension.find('.') != std::string::npos)
    throw std::invalid_argument("Invalid picture file extension: \"" + extension + "\"");
  if (!create) throw std::invalid_argument("No graphic class given for extension " + extension);
  TRegistry& registry = Registry();
  const std::lock_guard lock(registry.Lock);
  registry.Classes.insert_or_assign(Key(extension), TGraphicClass{{extension, description}, std::move(create)});
}

void UnregisterGraphicClass(const std::string& extension) {
  TRegistry& registry = Registry();
  const std::lock_guard lock(registry.Lock);
  registry.Classes.erase(Key(extension));
}

std::vector<TGraphicFileFormat> GraphicFileFormats() {
  TRegistry& registry = Registry();
  const std::lock_guard lock(registry.Lock);
  std::vector<TGraphicFileFormat> formats;
  for (const auto& [key, graphicClass] : registry.Classes) formats.push_back(graphicClass.Format);
  return formats;
}

std::unique_ptr<TGraphic> CreateGraphicFor(const std::string& path) {
  const std::string extension = DottedExtension(path);
  if (extension.size() < 2) return nullptr;
  TGraphicFactory create;
  {
    TRegistry& registry = Registry();
    const std::lock_guard lock(registry.Lock);
    const auto found = registry.Classes.find(Key(extension.substr(1)));
    if (found == registry.Classes.end()) return nullptr;
    create = found->second.Create;
  }
  // Outside the lock: a class's constructor may itself use the registry.
  return create();
}

void RegisterClipboardFormat(const std::string& format, TGraphicFactory create) {
  if (format.empty() || !create) throw std::invalid_argument("Invalid clipboard format registration");
  TRegistry& registry = Registry();
  const std::lock_guard lock(registry.Lock);
  registry.ClipboardClasses.insert_or_assign(format, std::move(create));
}

void UnregisterClipboardFormat(const std::string& format) {
  TRegistry& registry = Registry();
  const std::lock_guard lock(registry.Lock);
  registry.ClipboardClasses.erase(format);
}

std::unique_ptr<TGraphic> CreateGraphicForClipboard(const TClipboard& clipboard, std::string& format) {
  TGraphicFactory create;
  {
    TRegistry& registry = Registry();
    const std::lock_guard lock(registry.Lock);
    for (const auto& [name, factory] : registry.ClipboardClasses)
      if (clipboard.HasFormat(name)) {
        format = name;
        create = factory;
        break;
      }
  }
  return create ? create() : nullptr;
}

void TPictureContainer::PasteFromClipboard(TClipboard& clipboard) {
  std::string format;
  std::unique_ptr<TGraphic> graphic = CreateGraphicForClipboard(clipboard, format);
  if (!graphic) throw EInvalidGraphic(kUnsupportedClipboardFormatText);
  graphic->LoadFromClipboardFormat(format, clipboard);
  graphic_ = std::move(graphic);
  Changed();
}

void TPictureContainer::CopyToClipboard(TClipboard& clipboard) {
  if (graphic_) graphic_->SaveToClipboardFormat(clipboard);
}

void TPictureContainer::LoadFromFile(const std::string& path) {
  std::unique_ptr<TGraphic> graphic = CreateGraphicFor(path);
  if (!graphic) throw EInvalidGraphic(kUnknownPictureExtensionText + DottedExtension(path) + ")");
  graphic->LoadFromFile(path);
  graphic_ = std::move(graphic);
  Changed();
}

void TPictureContainer::Clear() {
  graphic_.reset();
  Changed();
}

}  // namespace lumvane
