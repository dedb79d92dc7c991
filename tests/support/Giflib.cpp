#include "support/Giflib.h"

#include <gif_lib.h>

#include <cstring>

namespace lumvane::test {
namespace {

struct Reader {
  const std::vector<std::uint8_t>* bytes;
  std::size_t at = 0;
};

int ReadFromMemory(GifFileType* file, GifByteType* buffer, int count) {
  auto* reader = static_cast<Reader*>(file->UserData);
  const std::size_t n = std::min<std::size_t>(count, reader->bytes->size() - reader->at);
  std::memcpy(buffer, reader->bytes->data() + reader->at, n);
  reader->at += n;
  return static_cast<int>(n);
}

int WriteToMemory(GifFileType* file, const GifByteType* buffer, int count) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(file->UserData);
  out->insert(out->end(), buffer, buffer + count);
  return count;
}

std::vector<std::uint8_t> Triples(const ColorMapObject* map) {
  std::vector<std::uint8_t> triples;
  if (!map) return triples;
  for (int i = 0; i < map->ColorCount; ++i)
    triples.insert(triples.end(), {map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
  return triples;
}

// giflib has no text for some codes (0 among them, when DGifSlurp fails without one).
std::string ErrorText(int code) {
  const char* text = GifErrorString(code);
  return text ? text : "giflib error " + std::to_string(code);
}

std::vector<GiflibBlock> Blocks(int count, const ExtensionBlock* blocks) {
  std::vector<GiflibBlock> copies;
  for (int i = 0; i < count; ++i)
    copies.push_back({blocks[i].Function, {blocks[i].Bytes, blocks[i].Bytes + blocks[i].ByteCount}});
  return copies;
}

}  // namespace

std::optional<GiflibFile> GiflibRead(const std::vector<std::uint8_t>& bytes, std::string* error) {
  Reader reader{&bytes};
  int status = 0;
  GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &status);
  if (!gif) {
    if (error) *error = ErrorText(status);
    return std::nullopt;
  }
  std::optional<GiflibFile> result;
  if (DGifSlurp(gif) == GIF_OK) {
    GiflibFile file;
    file.Width = gif->SWidth;
    file.Height = gif->SHeight;
    file.GlobalColorMap = Triples(gif->SColorMap);
    file.TrailingExtensions = Blocks(gif->ExtensionBlockCount, gif->ExtensionBlocks);
    for (int i = 0; i < gif->ImageCount; ++i) {
      const SavedImage& image = gif->SavedImages[i];
      GiflibFrame frame;
      frame.Left = image.ImageDesc.Left;
      frame.Top = image.ImageDesc.Top;
      frame.Width = image.ImageDesc.Width;
      frame.Height = image.ImageDesc.Height;
      frame.Interlaced = image.ImageDesc.Interlace;
      frame.LocalColorMap = Triples(image.ImageDesc.ColorMap);
      frame.Pixels.assign(image.RasterBits, image.RasterBits + static_cast<std::size_t>(frame.Width) * frame.Height);
      frame.Extensions = Blocks(image.ExtensionBlockCount, image.ExtensionBlocks);
      file.Frames.push_back(std::move(frame));
    }
    result = std::move(file);
  } else if (error) {
    *error = ErrorText(gif->Error);
  }
  DGifCloseFile(gif, &status);
  return result;
}

std::vector<std::uint8_t> GiflibWrite(int width, int height, int bits, bool interlaced,
                                      const std::vector<std::uint8_t>& pixels) {
  std::vector<std::uint8_t> out;
  int status = 0;
  GifFileType* gif = EGifOpen(&out, WriteToMemory, &status);
  ColorMapObject* map = GifMakeMapObject(1 << bits, nullptr);
  for (int i = 0; i < map->ColorCount; ++i)
    map->Colors[i] = GifColorType{static_cast<GifByteType>(i), static_cast<GifByteType>(i),
                                  static_cast<GifByteType>(i)};
  EGifPutScreenDesc(gif, width, height, bits, 0, map);
  EGifPutImageDesc(gif, 0, 0, width, height, interlaced, nullptr);
  static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
  if (interlaced) {
    for (int pass = 0; pass < 4; ++pass)
      for (int y = kStart[pass]; y < height; y += kStep[pass])
        EGifPutLine(gif, const_cast<GifPixelType*>(pixels.data()) + static_cast<std::size_t>(y) * width, width);
  } else {
    for (int y = 0; y < height; ++y)
      EGifPutLine(gif, const_cast<GifPixelType*>(pixels.data()) + static_cast<std::size_t>(y) * width, width);
  }
  EGifCloseFile(gif, &status);
  GifFreeMapObject(map);
  return out;
}

}  // namespace lumvane::test
