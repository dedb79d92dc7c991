#include "gif/GIFHeader.h"

#include <cctype>
#include <cstring>

#include "base/Errors.h"
#include "gif/GIFImage.h"

namespace lumvane {
namespace {

bool HasGIFSignature(const std::uint8_t* bytes) {
  return std::toupper(bytes[0]) == 'G' && std::toupper(bytes[1]) == 'I' &&
         std::toupper(bytes[2]) == 'F';
}

const char* VersionText(TGIFVersion version) { return version == Version87a ? "87a" : "89a"; }

}  // namespace

TGIFHeader::TGIFHeader(TGIFImage* image) : TGIFItem(image), globalColorMap_(*this) { Clear(); }

void TGIFHeader::Clear() {
  globalColorMap_.Clear();
  ScreenDescriptor.fill(0);
}

void TGIFHeader::CopyFrom(const TGIFHeader& source) {
  globalColorMap_.CopyFrom(source.globalColorMap_);
  ScreenDescriptor = source.ScreenDescriptor;
}

void TGIFHeader::CopyFrom(const TGIFColorMap& source) {
  ScreenDescriptor.fill(0);
  globalColorMap_.CopyFrom(source);  // its own map stays as it is
}

void TGIFHeader::LoadFromStream(TStream& stream) {
  const std::int64_t start = stream.Position();
  std::uint8_t signature[6];
  ReadExact(stream, signature, sizeof signature);
  if (!HasGIFSignature(signature)) {
    // A four-byte prefix ahead of the signature is tolerated.
    stream.SetPosition(start + 4);
    ReadExact(stream, signature, sizeof signature);
    if (!HasGIFSignature(signature)) throw GIFException(TGIFError::InvalidSignature);
  }
  ReadExact(stream, ScreenDescriptor.data(), ScreenDescriptor.size());
  if (ScreenFlags() & 0x80)
    globalColorMap_.LoadFromStream(stream, 2 << (ScreenFlags() & 7));
  else
    globalColorMap_.Clear();
}

void TGIFHeader::SaveToStream(TStream& stream) {
  const TGIFVersion version = Image()->Version();
  if (version == VersionUnknown) throw GIFException(TGIFError::UnsupportedVersion);
  std::uint8_t signature[6] = {'G', 'I', 'F'};
  std::memcpy(signature + 3, VersionText(version), 3);
  PrepareFlags();
  stream.WriteBuffer(signature, sizeof signature);
  stream.WriteBuffer(ScreenDescriptor.data(), ScreenDescriptor.size());
  if (ScreenFlags() & 0x80) globalColorMap_.SaveToStream(stream);
}

void TGIFHeader::PrepareFlags() {
  const TGIFImage& image = *Image();
  int flags = 0;
  if (globalColorMap_.Count() > 0) {
    flags |= 0x80;
    if (globalColorMap_.Sorted()) flags |= 0x08;
  }
  flags |= (image.ResolutionBits() << 4) & 0x70;
  if (globalColorMap_.Count() > 0)
    flags |= (globalColorMap_.PixelBits() - 1) & 7;
  else
    flags |= (image.PixelBits() - 1) & 7;
  ScreenDescriptor[4] = static_cast<std::uint8_t>(flags);
}

}  // namespace lumvane
