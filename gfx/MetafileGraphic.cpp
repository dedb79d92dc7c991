#include "gfx/MetafileGraphic.h"

#include <cstring>

#include "base/Errors.h"
#include "base/StreamHelpers.h"
#include "gfx/Canvas.h"

namespace lumvane {
namespace {

constexpr char kSignature[4] = {'L', 'V', 'M', 'F'};

int ReadLE16(TStream& stream) {
  std::uint8_t bytes[2];
  ReadExact(stream, bytes, 2);
  return bytes[0] | (bytes[1] << 8);
}

void WriteLE16(TStream& stream, int value) {
  const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
  stream.WriteBuffer(bytes, 2);
}

int Scale(int value, int from, int to) { return static_cast<int>(MulDiv(value, to, from)); }

}  // namespace

void TMetafile::SetSize(int width, int height) {
  if (width < 0 || height < 0 || width > 0xFFFF || height > 0xFFFF) throw EInvalidGraphic(kInvalidMetafileSizeText);
  width_ = width;
  height_ = height;
  Changed();
}

void TMetafile::AddRectangle(const TRect& area, TColor color) {
  rectangles_.push_back({area, color & 0xFFFFFF});
  Changed();
}

void TMetafile::LoadFromStream(TStream& stream) {
  try {
    char signature[4];
    ReadExact(stream, signature, 4);
    if (std::memcmp(signature, kSignature, 4) != 0) throw EInvalidGraphic(kInvalidMetafileText);
    const int width = ReadLE16(stream), height = ReadLE16(stream), count = ReadLE16(stream);
    std::vector<TRectangle> rectangles;
    for (int i = 0; i < count; ++i) {
      TRect area;
      area.Left = static_cast<std::int16_t>(ReadLE16(stream));
      area.Top = static_cast<std::int16_t>(ReadLE16(stream));
      area.Right = static_cast<std::int16_t>(ReadLE16(stream));
      area.Bottom = static_cast<std::int16_t>(ReadLE16(stream));
      std::uint8_t rgb[3];
      ReadExact(stream, rgb, 3);
      rectangles.push_back({area, static_cast<TColor>(rgb[0] | (rgb[1] << 8) | (rgb[2] << 16))});
    }
    width_ = width;
    height_ = height;
    rectangles_ = std::move(rectangles);
  } catch (const GIFException&) {
    throw EInvalidGraphic(kInvalidMetafileText);
  }
  Changed();
}

void TMetafile::SaveToStream(TStream& stream) {
  if (rectangles_.size() > 0xFFFF) throw EInvalidGraphic(kTooManyMetafileRecordsText);
  stream.WriteBuffer(kSignature, 4);
  WriteLE16(stream, width_);
  WriteLE16(stream, height_);
  WriteLE16(stream, static_cast<int>(rectangles_.size()));
  for (const TRectangle& rectangle : rectangles_) {
    for (int value : {rectangle.Area.Left, rectangle.Area.Top, rectangle.Area.Right, rectangle.Area.Bottom})
      WriteLE16(stream, value);
    const std::uint8_t rgb[3] = {static_cast<std::uint8_t>(rectangle.Color), static_cast<std::uint8_t>(rectangle.Color >> 8),
                                 static_cast<std::uint8_t>(rectangle.Color >> 16)};
    stream.WriteBuffer(rgb, 3);
  }
}

void TMetafile::Draw(TCanvas& canvas, const TRect& rect) {
  if (IsEmpty()) return;
  const int width = rect.Right - rect.Left, height = rect.Bottom - rect.Top;
  const TColor brush = canvas.BrushColor;
  for (const TRectangle& rectangle : rectangles_) {
    canvas.BrushColor = rectangle.Color;
    canvas.FillRect(TRect{rect.Left + Scale(rectangle.Area.Left, width_, width),
                          rect.Top + Scale(rectangle.Area.Top, height_, height),
                          rect.Left + Scale(rectangle.Area.Right, width_, width),
                          rect.Top + Scale(rectangle.Area.Bottom, height_, height)});
  }
  canvas.BrushColor = brush;
  canvas.Changed();
}

}  // namespace lumvane
