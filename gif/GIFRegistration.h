#pragma once
// The GIF document's registration with the picture system: "GIF" files open as TGIFImage.

namespace lumvane {

// Registers TGIFImage for the extension "GIF", described as "GIF Image", and for the
// clipboard format "GIF Image", the first time it is called in the process; later calls
// do nothing, so a withdrawn registration stays withdrawn. The library calls it at start-up and before every picture-system lookup.
void RegisterGIFImage();
// Whether the picture system currently creates TGIFImage documents for ".gif" files.
bool GIFImageRegistered();

}  // namespace lumvane
