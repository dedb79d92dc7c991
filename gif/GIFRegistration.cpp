#include "gif/GIFRegistration.h"

#include <memory>
#include <mutex>

#include "gif/GIFImage.h"
#include "render/PictureSystem.h"

namespace lumvane {
namespace {

constexpr const char* kExtension = "GIF";

// Constant-initialized, so usable before any static object of any file is constructed.
std::once_flag registered;

// Registers the document when the library starts and withdraws it when it shuts down.
// The library is a static archive, and a linker leaves out an object file nothing refers
// to, static objects and all; so the picture system's lookups call RegisterGIFImage(),
// which both links this file into every program that can look a class up and registers in
// time for lookups that other files' static objects make before this object exists.
struct TGIFRegistrar {
  TGIFRegistrar() { RegisterGIFImage(); }
  ~TGIFRegistrar() {
    UnregisterGraphicClass(kExtension);
    UnregisterClipboardFormat(kGIFClipboardFormat);
  }
  TGIFRegistrar(const TGIFRegistrar&) = delete;
  TGIFRegistrar& operator=(const TGIFRegistrar&) = delete;
};
const TGIFRegistrar registrar;

}  // namespace

void RegisterGIFImage() {
  std::call_once(registered, [] {
    RegisterGraphicClass(kExtension, "GIF Image", [] { return std::make_unique<TGIFImage>(); });
    RegisterClipboardFormat(kGIFClipboardFormat, [] { return std::make_unique<TGIFImage>(); });
  });
}

bool GIFImageRegistered() { return dynamic_cast<TGIFImage*>(CreateGraphicFor("image.gif").get()) != nullptr; }

}  // namespace lumvane
