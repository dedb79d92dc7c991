#pragma once
// Every error and warning text of the library, by name. The GIF library's own errors and
// warnings have a kind, which GIFException carries; the graphics layer's and the streams'
// errors quote their texts.

#include <cstdint>

namespace lumvane {

// The texts of the GIF library's errors and warnings.
inline constexpr char kPrematureEndOfDataText[] = "Premature end of data";
inline constexpr char kImageTooLargeText[] = "Image too large";
inline constexpr char kUnsupportedPixelFormatText[] = "Unsupported PixelFormat";
inline constexpr char kInvalidImageDimensionsText[] = "Invalid image dimensions";
inline constexpr char kImageHasNoDIBText[] = "Image has no DIB";
inline constexpr char kInvalidReductionMethodText[] = "Invalid reduction method";
inline constexpr char kUnsupportedOperationText[] = "Object type not supported for operation";
inline constexpr char kUnsupportedClipboardFormatText[] = "Unsupported clipboard format";
inline constexpr char kClipboardStoreFailedText[] = "Failed to store GIF on clipboard";
inline constexpr char kUnsupportedApplicationBlockSizeText[] = "Unsupported Application Extension block size";
inline constexpr char kInvalidGIFDataText[] = "Invalid GIF data";
inline constexpr char kColorTableOverflowText[] = "Color table overflow";
inline constexpr char kInvalidColorIndexText[] = "Invalid color index";
inline constexpr char kColorTableEmptyText[] = "Color table is empty";
inline constexpr char kInvalidExtensionIntroducerText[] = "Invalid extension introducer";
inline constexpr char kExtensionLabelMismatchText[] = "Internal error: Extension Instance does not match Extension Label";
inline constexpr char kUnknownExtensionTypeText[] = "Unknown extension type";
inline constexpr char kInvalidSignatureText[] = "Invalid GIF signature";
inline constexpr char kUnsupportedVersionText[] = "Unsupported GIF version";
inline constexpr char kScreenTooNarrowText[] = "Image width too small for contained frames";
inline constexpr char kScreenTooShortText[] = "Image height too small for contained frames";
inline constexpr char kNoColorTableText[] = "No global or local color table defined";
inline constexpr char kInvalidImageTrailerText[] = "Invalid Image trailer";
inline constexpr char kInvalidPixelCoordinatesText[] = "Invalid pixel coordinates";
inline constexpr char kImageIsEmptyText[] = "Image is empty";
inline constexpr char kImageExceedsScreenText[] = "Image exceeds Logical Screen size";
inline constexpr char kUnknownBlockTypeText[] = "Unknown GIF block type";
inline constexpr char kColorNotInTableText[] = "Color not in color table";
inline constexpr char kCircularDecoderEntryText[] = "Circular decoder table entry";
inline constexpr char kInvalidCodeSizeText[] = "Invalid LZW code size";

// The texts of the graphics layer's and the streams' errors ("Cannot", "Unknown picture file
// extension (" and "Invalid icon: " begin texts that name the file or the fault).
inline constexpr char kStreamWriteErrorText[] = "Stream write error";
inline constexpr char kStreamReadErrorText[] = "Stream read error";
inline constexpr char kInvalidStreamOperationText[] = "Invalid stream operation";
inline constexpr char kInvalidBitmapSizeText[] = "Invalid bitmap size";
inline constexpr char kOutOfMemoryText[] = "Out of memory";
inline constexpr char kDIBAllocationFailedText[] = "Failed to allocate memory for GIF DIB";
inline constexpr char kScanLineOutOfRangeText[] = "Scan line index out of range";
inline constexpr char kPixelIndexOutOfRangeText[] = "Pixel index out of range";
inline constexpr char kPaletteIndexOutOfRangeText[] = "Palette index out of range";
inline constexpr char kMaskBitsMissingText[] = "Mask bits missing";
inline constexpr char kMaskNotOneBitText[] = "Mask bitmap must have 1 bit per pixel";
inline constexpr char kInvalidBMPSignatureText[] = "Invalid BMP signature";
inline constexpr char kBMPHeaderTruncatedText[] = "BMP header is truncated";
inline constexpr char kUnsupportedBMPHeaderSizeText[] = "Unsupported BMP header size";
inline constexpr char kInvalidBMPSizeText[] = "Invalid BMP size";
inline constexpr char kUnsupportedBMPBitDepthText[] = "Unsupported BMP bit depth";
inline constexpr char kUnsupportedBMPCompressionText[] = "Unsupported BMP compression";
inline constexpr char kInvalidBMPColorTableSizeText[] = "Invalid BMP color table size";
inline constexpr char kBMPColorTableTruncatedText[] = "BMP color table is truncated";
inline constexpr char kInvalidBMPPixelDataOffsetText[] = "Invalid BMP pixel data offset";
inline constexpr char kBMPPixelDataTruncatedText[] = "BMP pixel data is truncated";
inline constexpr char kInvalidMetafileSizeText[] = "Invalid metafile size";
inline constexpr char kInvalidMetafileText[] = "Invalid metafile";
inline constexpr char kTooManyMetafileRecordsText[] = "Too many metafile records";
inline constexpr char kUnknownPictureExtensionText[] = "Unknown picture file extension (";
inline constexpr char kCannotOpenFileText[] = "Cannot ";
inline constexpr char kInvalidIconText[] = "Invalid icon: ";

// What went wrong in the GIF library: the kind a GIFException carries and a warning reports.
enum class TGIFError : std::uint8_t {
  PrematureEndOfData,
  ImageTooLarge,
  UnsupportedPixelFormat,
  InvalidImageDimensions,
  ImageHasNoDIB,
  InvalidReductionMethod,
  UnsupportedOperation,
  UnsupportedClipboardFormat,
  ClipboardStoreFailed,
  UnsupportedApplicationBlockSize,
  InvalidGIFData,
  ColorTableOverflow,
  InvalidColorIndex,
  ColorTableEmpty,
  InvalidExtensionIntroducer,
  ExtensionLabelMismatch,
  UnknownExtensionType,
  InvalidSignature,
  UnsupportedVersion,
  ScreenTooNarrow,
  ScreenTooShort,
  NoColorTable,
  InvalidImageTrailer,
  InvalidPixelCoordinates,
  ImageIsEmpty,
  ImageExceedsScreen,
  UnknownBlockType,
  ColorNotInTable,
  CircularDecoderEntry,
  InvalidCodeSize,
};

// The fixed English text of a kind.
const char* MessageText(TGIFError kind);

}  // namespace lumvane
