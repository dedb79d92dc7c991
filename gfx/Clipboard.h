#pragma once
// The clipboard as the picture system uses it: data under named formats, and bitmaps in the
// platform's own picture format. The window supplies it; the library only talks to it.

#include <cstdint>
#include <string>
#include <vector>

namespace lumvane {

class TBitmap;

// The format GIF documents put their file bytes under.
inline constexpr const char* kGIFClipboardFormat = "GIF Image";
// The name of the platform's bitmap format, for LoadFromClipboardFormat.
inline constexpr const char* kBitmapClipboardFormat = "Bitmap";

class TClipboard {
public:
  virtual ~TClipboard() = default;
  // Starts new contents: the formats set afterwards replace what was there.
  virtual void Open() = 0;
  virtual bool HasFormat(const std::string& format) const = 0;
  virtual std::vector<std::uint8_t> Data(const std::string& format) const = 0;
  // False when the clipboard refuses the data.
  virtual bool SetData(const std::string& format, const std::vector<std::uint8_t>& bytes) = 0;
  // The bitmap on the clipboard; false when there is none.
  virtual bool GetBitmap(TBitmap& bitmap) const = 0;
  virtual bool SetBitmap(const TBitmap& bitmap) = 0;
};

}  // namespace lumvane
