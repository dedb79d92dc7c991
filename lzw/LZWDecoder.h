#pragma once
// Decodes GIF image data (minimum code size byte, data sub-blocks, terminator) into a
// buffer of one color index per pixel in display order. Knows nothing of documents.

#include <cstdint>
#include <functional>
#include <string>

#include "base/Stream.h"
#include "lzw/FramePixels.h"

namespace lumvane {

// Receives the decoder's warnings (severity, message); the decoder always uses severity 1.
using TWarningSink = std::function<void(int severity, const std::string& message)>;

// Reads the image data at the stream's position and decodes it into frame.Pixels, which
// hold the fill value already.
// Pixels the data does not reach keep their value. Afterwards the stream stands behind the
// image data's terminator (or at the end of the data); excess data is skipped. Oddities are
// warnings: "Premature end of data" when the data ends inside the image data, "Decoder bit
// buffer under-run" when codes run out after the terminator, "Image data ends before the
// last pixel" when the pixels are not all covered. A corrupt table raises GIFException
// "Circular decoder table entry"; a code size that 12-bit codes cannot carry raises
// "Invalid LZW code size".
void DecodeLZW(TStream& stream, const TFramePixels& frame, const TWarningSink& warn);

}  // namespace lumvane
