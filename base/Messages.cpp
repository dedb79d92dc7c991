#include "base/Messages.h"

namespace lumvane {

const char* MessageText(TGIFError kind) {
  switch (kind) {
    case TGIFError::PrematureEndOfData:
      return kPrematureEndOfDataText;
    case TGIFError::ImageTooLarge:
      return kImageTooLargeText;
    case TGIFError::UnsupportedPixelFormat:
      return kUnsupportedPixelFormatText;
    case TGIFError::InvalidImageDimensions:
      return kInvalidImageDimensionsText;
    case TGIFError::ImageHasNoDIB:
      return kImageHasNoDIBText;
    case TGIFError::InvalidReductionMethod:
      return kInvalidReductionMethodText;
    case TGIFError::UnsupportedOperation:
      return kUnsupportedOperationText;
    case TGIFError::UnsupportedClipboardFormat:
      return kUnsupportedClipboardFormatText;
    case TGIFError::ClipboardStoreFailed:
      return kClipboardStoreFailedText;
    case TGIFError::UnsupportedApplicationBlockSize:
      return kUnsupportedApplicationBlockSizeText;
    case TGIFError::InvalidGIFData:
      return kInvalidGIFDataText;
    case TGIFError::ColorTableOverflow:
      return kColorTableOverflowText;
    case TGIFError::InvalidColorIndex:
      return kInvalidColorIndexText;
    case TGIFError::ColorTableEmpty:
      return kColorTableEmptyText;
    case TGIFError::InvalidExtensionIntroducer:
      return kInvalidExtensionIntroducerText;
    case TGIFError::ExtensionLabelMismatch:
      return kExtensionLabelMismatchText;
    case TGIFError::UnknownExtensionType:
      return kUnknownExtensionTypeText;
    case TGIFError::InvalidSignature:
      return kInvalidSignatureText;
    case TGIFError::UnsupportedVersion:
      return kUnsupportedVersionText;
    case TGIFError::ScreenTooNarrow:
      return kScreenTooNarrowText;
    case TGIFError::ScreenTooShort:
      return kScreenTooShortText;
    case TGIFError::NoColorTable:
      return kNoColorTableText;
    case TGIFError::InvalidImageTrailer:
      return kInvalidImageTrailerText;
    case TGIFError::InvalidPixelCoordinates:
      return kInvalidPixelCoordinatesText;
    case TGIFError::ImageIsEmpty:
      return kImageIsEmptyText;
    case TGIFError::ImageExceedsScreen:
      return kImageExceedsScreenText;
    case TGIFError::UnknownBlockType:
      return kUnknownBlockTypeText;
    case TGIFError::ColorNotInTable:
      return kColorNotInTableText;
    case TGIFError::CircularDecoderEntry:
      return kCircularDecoderEntryText;
    case TGIFError::InvalidCodeSize:
      return kInvalidCodeSizeText;
  }
  return kInvalidGIFDataText;
}

}  // namespace lumvane
