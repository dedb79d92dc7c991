#include "gif/GIFRegistration.h"

#include <memory>
#include <mutex>

#include "gfx/PictureSystem.h"
#include "gif/GIFImage.h"

namespace lumvane {
namespace {

constexpr const char* kExtension = "GIF";

// Constant-initialized, so usable before any static object of any file is constructed.
std::once_flag registered;

// Registers the document when the library starts and withdraws it when it shuts down.
// Every program links this file as an object (see the top CMakeLists.txt), so the object is
// always there, although nothing refers to it by name.
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
