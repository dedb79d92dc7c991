#pragma once
// The GIF document's registration with the picture system: "GIF" files open as TGIFImage.

namespace lumvane {

// Registers TGIFImage for the extension "GIF", described as "GIF Image", and for the
// clipboard format "GIF Image", the first time it is called in the process; later calls
// do nothing, so a withdrawn registration stays withdrawn. The library calls it at start-up;
// a program that looks classes up from its own static objects calls it first.
void RegisterGIFImage();
// Whether the picture system currently creates TGIFImage documents for ".gif" files.
bool GIFImageRegistered();

}  // namespace lumvane
