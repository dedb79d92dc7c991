#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>

#include "base/Errors.h"
#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "gfx/Palette.h"

namespace lumvane::test {
namespace {

constexpr TColor Rgb(int red, int green, int blue) {
  return static_cast<TColor>(red | (green << 8) | (blue << 16));
}

void PutLE(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A BMP file built by hand: 14-byte file header, 40-byte info header, table, rows as given
// (in file order, each already padded).
struct TBmpLayout {
  std::int32_t Width = 1, Height = 1;
  int Bits = 24;
  std::uint32_t ColorsUsed = 0;
  std::vector<std::uint8_t> Table;  // 4 bytes per entry: blue, green, red, 0
  std::vector<std::uint8_t> Pixels;
};

std::vector<std::uint8_t> BuildBmp(const TBmpLayout& layout) {
  const std::size_t offset = 54 + layout.Table.size();
  std::vector<std::uint8_t> file(offset + layout.Pixels.size(), 0);
  file[0] = 'B';
  file[1] = 'M';
  PutLE(file, 2, static_cast<std::uint32_t>(file.size()), 4);
  PutLE(file, 10, static_cast<std::uint32_t>(offset), 4);
  PutLE(file, 14, 40, 4);
  PutLE(file, 18, static_cast<std::uint32_t>(layout.Width), 4);
  PutLE(file, 22, static_cast<std::uint32_t>(layout.Height), 4);
  PutLE(file, 26, 1, 2);
  PutLE(file, 28, layout.Bits, 2);
  PutLE(file, 46, layout.ColorsUsed, 4);
  std::copy(layout.Table.begin(), layout.Table.end(), file.begin() + 54);
  std::copy(layout.Pixels.begin(), layout.Pixels.end(), file.begin() + offset);
  return file;
}

void ExpectGraphicError(const std::vector<std::uint8_t>& file, const char* message) {
  TBitmap bitmap;
  try {
    bitmap.LoadFromBMP(file);
    ADD_FAILURE() << "no error, expected " << message;
  } catch (const EGraphicError& e) {
    EXPECT_STREQ(e.what(), message);
  }
}

// A palette of `count` distinct colors.
TPaletteHandle Ramp(int count) {
  std::vector<TPaletteEntry> entries;
  for (int i = 0; i < count; ++i)
    entries.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                       static_cast<std::uint8_t>(i * 7)});
  return MakePalette(std::move(entries));
}

std::unique_ptr<TBitmap> MakeBitmap(TPixelFormat format, int width, int height,
                                    TPaletteHandle palette = nullptr) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(format);
  if (palette) bitmap->SetPalette(std::move(palette));
  bitmap->SetSize(width, height);
  return bitmap;
}

// An 8-bit bitmap whose pixel (x, y) has index 10 × y + x, over a ramp palette.
std::unique_ptr<TBitmap> Numbered(int width, int height) {
  auto bitmap = MakeBitmap(TPixelFormat::pf8bit, width, height, Ramp(256));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) bitmap->ScanLine(y)[x] = static_cast<std::uint8_t>(10 * y + x);
  return bitmap;
}

// Each pixel of a 24-bit bitmap as the source index it shows (colors from Ramp(256)), -1
// for a color not in the ramp.
std::vector<std::vector<int>> Indexes(const TBitmap& bitmap) {
  const TPaletteHandle ramp = Ramp(256);
  std::vector<std::vector<int>> result(bitmap.Height(), std::vector<int>(bitmap.Width(), -1));
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x)
      for (int i = 0; i < 256; ++i)
        if (bitmap.PixelColor(x, y) == Rgb((*ramp)[i].Red, (*ramp)[i].Green, (*ramp)[i].Blue))
          result[y][x] = i;
  return result;
}

using TIndexRows = std::vector<std::vector<int>>;

// ---------------------------------------------------------------- palettes

TEST(PaletteTest, StockPalettes) {
  const TPalette& system = TPalette::SystemDefault();
  ASSERT_EQ(system.Count(), 20);
  EXPECT_EQ(system[0], (TPaletteEntry{0, 0, 0}));
  EXPECT_EQ(system[7], (TPaletteEntry{192, 192, 192}));
  EXPECT_EQ(system[12], (TPaletteEntry{128, 128, 128}));
  EXPECT_EQ(system[19], (TPaletteEntry{255, 255, 255}));

  const TPalette& vga = TPalette::Vga();
  ASSERT_EQ(vga.Count(), 16);
  EXPECT_EQ(vga[7], system[7]);
  EXPECT_EQ(vga[8], system[12]);
  EXPECT_EQ(vga[15], system[19]);

  const TPalette& halftone = TPalette::Halftone();
  ASSERT_EQ(halftone.Count(), 256);
  EXPECT_EQ(halftone[36 * 5 + 6 * 2 + 1], (TPaletteEntry{255, 102, 51}));
  std::set<TColor> distinct;
  for (const TPaletteEntry& entry : halftone.Entries())
    distinct.insert(Rgb(entry.Red, entry.Green, entry.Blue));
  EXPECT_EQ(distinct.size(), 256u);
  for (int i = 216; i < 256; ++i) {
    EXPECT_EQ(halftone[i].Red, halftone[i].Green);
    EXPECT_EQ(halftone[i].Red, halftone[i].Blue);
    if (i > 216) {
      EXPECT_GT(halftone[i].Red, halftone[i - 1].Red);
    }
  }
}

TEST(PaletteTest, ValueSemanticsCopiesAndLimits) {
  const TPaletteHandle ramp = Ramp(300);
  EXPECT_EQ(ramp->Count(), 256);
  EXPECT_EQ((*ramp)[255].Red, 255);
  EXPECT_THROW((*ramp)[256], EGraphicError);
  EXPECT_THROW((*ramp)[-1], EGraphicError);

  const TPaletteHandle copy = CopyPalette(ramp);
  EXPECT_NE(copy.get(), ramp.get());
  EXPECT_EQ(*copy, *ramp);
  EXPECT_EQ(CopyPalette(nullptr), nullptr);
  EXPECT_NE(*Ramp(3), *Ramp(4));
  EXPECT_NE(TPalette({{1, 2, 3, 0}}), TPalette({{1, 2, 3, 1}}));  // flags count
  EXPECT_EQ(TPalette::Version, 0x300);
}

// ---------------------------------------------------------------- bitmaps

TEST(BitmapTest, SizeLimitsAndRowAccess) {
  TBitmap bitmap;
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
  bitmap.SetSize(5, 2);
  EXPECT_EQ(bitmap.RowBytes(), 16);  // 15 bytes padded to 16
  EXPECT_THROW(bitmap.ScanLine(2), EGraphicError);
  EXPECT_THROW(bitmap.ScanLine(-1), EGraphicError);
  EXPECT_THROW(bitmap.PixelColor(5, 0), EGraphicError);
  try {
    bitmap.ScanLine(2);
  } catch (const EGraphicError& e) {
    EXPECT_STREQ(e.what(), "Scan line index out of range");
  }

  try {
    bitmap.SetSize((1 << 14) + 1, 1 << 14);
    ADD_FAILURE();
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Image too large");
  }
  EXPECT_THROW(bitmap.SetSize((1 << 28) + 1, 0), GIFException);
  EXPECT_THROW(bitmap.SetSize(-1, 5), EGraphicError);
  EXPECT_EQ(bitmap.Width(), 5);  // a refused size changes nothing

  bitmap.SetPixelFormat(TPixelFormat::pf1bit);
  bitmap.SetSize(1 << 14, 1 << 14);  // exactly 2^28 pixels
  EXPECT_EQ(bitmap.RowBytes(), 2048);
  bitmap.SetSize(0, 3);
  EXPECT_TRUE(bitmap.Empty());
}

TEST(BitmapTest, RowLayoutOfIndexedFormats) {
  auto one = MakeBitmap(TPixelFormat::pf1bit, 33, 1);
  EXPECT_EQ(one->RowBytes(), 8);
  one->Canvas().BrushColor = Rgb(255, 255, 255);
  one->Canvas().FillRect({1, 0, 2, 1});
  one->Canvas().FillRect({32, 0, 33, 1});
  EXPECT_EQ(one->ScanLine(0)[0], 0x40);
  EXPECT_EQ(one->ScanLine(0)[4], 0x80);

  auto four = MakeBitmap(TPixelFormat::pf4bit, 3, 1);
  EXPECT_EQ(four->RowBytes(), 4);
  four->Canvas().BrushColor = Rgb(255, 0, 0);  // VGA entry 9
  four->Canvas().FillRect({1, 0, 3, 1});
  EXPECT_EQ(four->ScanLine(0)[0], 0x09);
  EXPECT_EQ(four->ScanLine(0)[1], 0x90);
  EXPECT_EQ(four->PixelColor(2, 0), Rgb(255, 0, 0));
}

TEST(BitmapTest, IndexedPixelsResolveThroughThePalette) {
  auto bitmap = MakeBitmap(TPixelFormat::pf8bit, 2, 1, Ramp(4));
  bitmap->ScanLine(0)[0] = 3;
  bitmap->ScanLine(0)[1] = 4;  // beyond the palette
  EXPECT_EQ(bitmap->PixelColor(0, 0), Rgb(3, 252, 21));
  EXPECT_EQ(bitmap->PixelColor(1, 0), 0u);
  bitmap->SetPalette(nullptr);
  EXPECT_EQ(bitmap->PixelColor(0, 0), 0u);
}

TEST(BitmapTest, ConversionToIndexedPicksNearestAddressableEntryLowestOnTies) {
  auto bitmap = MakeBitmap(TPixelFormat::pf24bit, 3, 1);
  const std::uint8_t pixels[] = {0, 5, 5, 0, 0, 9, 200, 0, 0};  // blue, green, red
  std::memcpy(bitmap->ScanLine(0), pixels, sizeof pixels);
  // (5, 5, 0) is 10 away from entries 0 and 1; (9, 0, 0) matches entry 20 exactly, which
  // 4 bits cannot address, so entry 0 it is; (0, 0, 200) is nearest to entry 2.
  std::vector<TPaletteEntry> entries(256, TPaletteEntry{100, 100, 100});
  entries[0] = {10, 0, 0};
  entries[1] = {0, 10, 0};
  entries[2] = {0, 0, 180};
  entries[20] = {9, 0, 0};
  bitmap->SetPalette(MakePalette(entries));
  bitmap->SetPixelFormat(TPixelFormat::pf4bit);
  EXPECT_EQ(bitmap->ScanLine(0)[0], 0x00);
  EXPECT_EQ(bitmap->ScanLine(0)[1], 0x20);
  EXPECT_EQ(bitmap->PixelColor(2, 0), Rgb(0, 0, 180));

  bitmap->SetPixelFormat(TPixelFormat::pf8bit);  // indexes kept, palette kept
  EXPECT_EQ(bitmap->ScanLine(0)[2], 2);
  bitmap->SetPixelFormat(TPixelFormat::pf24bit);
  EXPECT_EQ(bitmap->PixelColor(0, 0), Rgb(10, 0, 0));
  EXPECT_EQ(bitmap->PixelColor(2, 0), Rgb(0, 0, 180));
}

TEST(BitmapTest, ConversionWithoutPaletteTakesTheFormatsDefault) {
  const TColor colors[] = {Rgb(255, 102, 51), Rgb(250, 250, 250), Rgb(0, 0, 130)};
  const TColor white = Rgb(255, 255, 255);
  for (auto [format, expected] :
       {std::pair{TPixelFormat::pf8bit, std::vector{colors[0], Rgb(249, 249, 249), Rgb(0, 0, 153)}},
        std::pair{TPixelFormat::pf4bit, std::vector{Rgb(255, 0, 0), white, Rgb(0, 0, 128)}},
        std::pair{TPixelFormat::pf1bit, std::vector{white, white, Rgb(0, 0, 0)}}}) {
    auto bitmap = MakeBitmap(TPixelFormat::pf24bit, 3, 1);
    for (int x = 0; x < 3; ++x) {
      bitmap->Canvas().BrushColor = colors[x];
      bitmap->Canvas().FillRect({x, 0, x + 1, 1});
    }
    bitmap->SetPixelFormat(format);
    ASSERT_NE(bitmap->Palette(), nullptr);
    EXPECT_EQ(*bitmap->Palette(), DefaultPaletteFor(format));
    for (int x = 0; x < 3; ++x) EXPECT_EQ(bitmap->PixelColor(x, 0), expected[x]) << x;
  }
}

TEST(BitmapTest, MaskBitsLayout) {
  const std::uint8_t single[] = {0x80, 0x00};
  auto one = CreateMaskBitmap(1, 1, single);
  EXPECT_EQ(one->PixelFormat(), TPixelFormat::pf1bit);
  EXPECT_EQ(one->PixelColor(0, 0), Rgb(255, 255, 255));
  ASSERT_NE(one->Palette(), nullptr);
  EXPECT_EQ(*one->Palette(), TPalette({{0, 0, 0}, {255, 255, 255}}));

  // 17 pixels: 4 bytes per source row; pixel 16 is bit 7 of byte 2.
  const std::uint8_t rows[] = {0x00, 0x01, 0x80, 0x00,   // pixels 15 and 16
                               0x40, 0x00, 0x00, 0xFF};  // pixel 1; byte 3 is padding
  auto wide = CreateMaskBitmap(17, 2, rows);
  std::vector<int> set;
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 17; ++x)
      if (wide->PixelColor(x, y) != 0) set.push_back(y * 100 + x);
  EXPECT_EQ(set, (std::vector{15, 16, 101}));
}

// ---------------------------------------------------------------- BMP files

TEST(BmpTest, RoundTripsEveryFormatAndOddWidth) {
  for (TPixelFormat format :
       {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf8bit, TPixelFormat::pf24bit}) {
    for (int width : {1, 3, 5, 7, 9, 31, 33}) {
      SCOPED_TRACE(testing::Message() << static_cast<int>(format) << " width " << width);
      const int bits = BitsPerPixelOf(format);
      auto bitmap = MakeBitmap(format, width, 3, bits == 24 ? nullptr : Ramp(1 << bits));
      for (int y = 0; y < 3; ++y) {
        bitmap->Canvas().BrushColor = y == 1 ? Rgb(1, 254, 7) : Rgb(0, 255, 0);
        bitmap->Canvas().FillRect({0, y, width, y + 1});
        bitmap->Canvas().BrushColor = Rgb(y * 40 + 3, 200, 1);
        for (int x = y % 2; x < width; x += 3) bitmap->Canvas().FillRect({x, y, x + 1, y + 1});
      }
      const std::vector<std::uint8_t> file = bitmap->SaveToBMP();
      const std::size_t table = bits == 24 ? 0 : 4u << bits;
      ASSERT_EQ(file.size(), 54 + table + 3 * static_cast<std::size_t>(bitmap->RowBytes()));
      EXPECT_EQ(bitmap->RowBytes() % 4, 0);
      EXPECT_EQ(file[28], bits);

      TBitmap loaded;
      loaded.LoadFromBMP(file);
      ASSERT_EQ(loaded.PixelFormat(), format);
      ASSERT_EQ(loaded.Width(), width);
      ASSERT_EQ(loaded.Height(), 3);
      if (bits != 24) {
        EXPECT_EQ(*loaded.Palette(), *bitmap->Palette());
      }
      for (int y = 0; y < 3; ++y)
        EXPECT_EQ(std::memcmp(loaded.ScanLine(y), bitmap->ScanLine(y), bitmap->RowBytes()), 0);
      EXPECT_EQ(loaded.SaveToBMP(), file);
    }
  }
}

TEST(BmpTest, FileLayoutIsBottomUpBgrWithPaddedRows) {
  auto bitmap = MakeBitmap(TPixelFormat::pf24bit, 1, 2);
  bitmap->Canvas().BrushColor = Rgb(1, 2, 3);
  bitmap->Canvas().FillRect({0, 0, 1, 1});  // top row
  const std::vector<std::uint8_t> file = bitmap->SaveToBMP();
  ASSERT_EQ(file.size(), 54u + 8u);
  EXPECT_EQ(file[10], 54);
  EXPECT_EQ(file[22], 2);  // positive height: bottom-up
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 54, file.end()),
            (std::vector<std::uint8_t>{0, 0, 0, 0, 3, 2, 1, 0}));

  // An indexed bitmap without a palette writes a full black table, as its pixels show.
  auto bare = MakeBitmap(TPixelFormat::pf8bit, 1, 1);
  bare->SetPalette(nullptr);
  const std::vector<std::uint8_t> bareFile = bare->SaveToBMP();
  EXPECT_EQ(bareFile.size(), 54u + 1024u + 4u);
  TBitmap loaded;
  loaded.LoadFromBMP(bareFile);
  EXPECT_EQ(loaded.Palette()->Count(), 256);
  EXPECT_EQ(loaded.PixelColor(0, 0), 0u);
}

TEST(BmpTest, ReadsTopDownFilesAndShortColorTables) {
  TBmpLayout layout;
  layout.Width = 3;
  layout.Height = -2;  // top-down
  layout.Bits = 4;
  layout.ColorsUsed = 3;
  layout.Table = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};  // red, green, blue
  layout.Pixels = {0x01, 0x20, 0, 0, 0x22, 0x10, 0, 0};
  TBitmap bitmap;
  bitmap.LoadFromBMP(BuildBmp(layout));
  ASSERT_EQ(bitmap.Height(), 2);
  EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf4bit);
  EXPECT_EQ(bitmap.Palette()->Count(), 3);
  EXPECT_EQ(bitmap.PixelColor(0, 0), Rgb(255, 0, 0));
  EXPECT_EQ(bitmap.PixelColor(1, 0), Rgb(0, 255, 0));
  EXPECT_EQ(bitmap.PixelColor(2, 0), Rgb(0, 0, 255));
  EXPECT_EQ(bitmap.PixelColor(2, 1), Rgb(0, 255, 0));

  // Saved again it is bottom-up with the same pixels.
  TBitmap again;
  again.LoadFromBMP(bitmap.SaveToBMP());
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(again.PixelColor(x, y), bitmap.PixelColor(x, y));

  // A larger info header and a 24-bit file's optional table are skipped.
  TBmpLayout wide;
  wide.ColorsUsed = 1;
  wide.Table = {9, 9, 9, 0};
  wide.Pixels = {10, 20, 30, 0};
  std::vector<std::uint8_t> file = BuildBmp(wide);
  file.insert(file.begin() + 54, 84, 0);  // a 124-byte header
  PutLE(file, 14, 124, 4);
  PutLE(file, 10, 54 + 84 + 4, 4);
  bitmap.LoadFromBMP(file);
  EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(bitmap.PixelColor(0, 0), Rgb(30, 20, 10));
}

TEST(BmpTest, MalformedFilesFailCleanlyAndLeaveTheBitmapAlone) {
  TBmpLayout layout;
  layout.Width = 2;
  layout.Height = 2;
  layout.Bits = 8;
  layout.ColorsUsed = 2;
  layout.Table = {1, 2, 3, 0, 4, 5, 6, 0};
  layout.Pixels = {0, 1, 0, 0, 1, 0, 0, 0};
  const std::vector<std::uint8_t> good = BuildBmp(layout);

  // Every prefix of a good file fails.
  for (std::size_t size = 0; size < good.size(); ++size) {
    TBitmap bitmap;
    EXPECT_THROW(bitmap.LoadFromBMP({good.begin(), good.begin() + size}), EGraphicError) << size;
  }

  auto patched = [&](std::size_t at, std::uint32_t value, int size) {
    std::vector<std::uint8_t> file = good;
    PutLE(file, at, value, size);
    return file;
  };
  ExpectGraphicError(patched(0, 'B' | ('A' << 8), 2), "Invalid BMP signature");
  ExpectGraphicError(patched(14, 12, 4), "Unsupported BMP header size");
  ExpectGraphicError(patched(14, 0xFFFFFFF0, 4), "BMP header is truncated");
  ExpectGraphicError(patched(28, 16, 2), "Unsupported BMP bit depth");
  ExpectGraphicError(patched(28, 0, 2), "Unsupported BMP bit depth");
  ExpectGraphicError(patched(30, 1, 4), "Unsupported BMP compression");
  ExpectGraphicError(patched(46, 257, 4), "Invalid BMP color table size");
  ExpectGraphicError(patched(46, 0, 4), "BMP color table is truncated");  // means 256
  ExpectGraphicError(patched(10, 20, 4), "Invalid BMP pixel data offset");
  ExpectGraphicError(patched(10, 0xFFFFFFFF, 4), "Invalid BMP pixel data offset");
  ExpectGraphicError(patched(10, 63, 4), "BMP pixel data is truncated");
  ExpectGraphicError(patched(18, 0xFFFFFFFF, 4), "Invalid BMP size");
  ExpectGraphicError(patched(22, 0x80000000, 4), "Invalid BMP size");
  // Absurd sizes are refused by the data length, before anything is allocated.
  ExpectGraphicError(patched(18, 0x7FFFFFFF, 4), "BMP pixel data is truncated");
  ExpectGraphicError(patched(22, 0x7FFFFFFF, 4), "BMP pixel data is truncated");
  ExpectGraphicError(patched(22, 0x80000001, 4), "BMP pixel data is truncated");
  {
    std::vector<std::uint8_t> file = patched(18, 0x7FFFFFFF, 4);
    PutLE(file, 22, 0x7FFFFFFF, 4);
    ExpectGraphicError(file, "BMP pixel data is truncated");
  }

  TBitmap bitmap;
  bitmap.LoadFromBMP(good);
  ASSERT_EQ(bitmap.PixelColor(1, 0), Rgb(3, 2, 1));  // top row is the file's last
  EXPECT_THROW(bitmap.LoadFromBMP(patched(30, 1, 4)), EGraphicError);
  EXPECT_EQ(bitmap.Width(), 2);
  EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf8bit);
  EXPECT_EQ(bitmap.PixelColor(1, 0), Rgb(3, 2, 1));
}

// ---------------------------------------------------------------- canvas

TEST(CanvasTest, StretchDrawMapsNearestPixel) {
  auto source = Numbered(3, 2);
  auto target = MakeBitmap(TPixelFormat::pf24bit, 6, 4);
  target->Canvas().StretchDraw({0, 0, 6, 4}, *source);  // up: each pixel twice each way
  EXPECT_EQ(Indexes(*target), (TIndexRows{{0, 0, 1, 1, 2, 2},
                                          {0, 0, 1, 1, 2, 2},
                                          {10, 10, 11, 11, 12, 12},
                                          {10, 10, 11, 11, 12, 12}}));

  auto big = Numbered(7, 3);
  auto small = MakeBitmap(TPixelFormat::pf24bit, 3, 2);
  small->Canvas().StretchDraw({0, 0, 3, 2}, *big);  // down: columns 0, 2, 4; rows 0, 1
  EXPECT_EQ(Indexes(*small), (TIndexRows{{0, 2, 4}, {10, 12, 14}}));

  // Partly off the bitmap: the mapping stays relative to dest.Left and dest.Top.
  auto clipped = MakeBitmap(TPixelFormat::pf24bit, 3, 1);
  clipped->Canvas().StretchDraw({-2, -1, 2, 1}, *Numbered(4, 2));
  EXPECT_EQ(Indexes(*clipped), (TIndexRows{{12, 13, -1}}));
  EXPECT_EQ(clipped->PixelColor(2, 0), 0u);

  // Destination rectangles near the ends of the int range.
  clipped->Canvas().StretchDraw({-2147483647, 0, 2147483647, 1}, *Numbered(4, 1));
  EXPECT_EQ(Indexes(*clipped), (TIndexRows{{2, 2, 2}}));
}

TEST(CanvasTest, ClipRectLimitsEveryDrawing) {
  auto target = MakeBitmap(TPixelFormat::pf24bit, 4, 3);
  TCanvas& canvas = target->Canvas();
  canvas.SetClipRect({1, 1, 10, 2});
  EXPECT_EQ(canvas.ClipRect().Right, 4);
  EXPECT_EQ(canvas.ClipRect().Top, 1);
  canvas.StretchDraw({0, 0, 4, 3}, *Numbered(4, 3));
  canvas.BrushColor = Rgb(0, 255, 0);  // ramp index 0
  canvas.FillRect({-5, -5, 2, 50});
  EXPECT_EQ(Indexes(*target), (TIndexRows{{-1, -1, -1, -1}, {-1, 0, 12, 13}, {-1, -1, -1, -1}}));
  canvas.ResetClipRect();
  EXPECT_EQ(canvas.ClipRect().Bottom, 3);
  canvas.SetClipRect({5, 5, 6, 6});
  canvas.FillRect({0, 0, 4, 3});
  EXPECT_EQ(target->PixelColor(0, 0), 0u);
}

TEST(CanvasTest, DrawMaskedKeepsPixelsUnderSetMaskBits) {
  auto target = MakeBitmap(TPixelFormat::pf24bit, 4, 2);
  target->Canvas().BrushColor = Rgb(0, 255, 0);
  target->Canvas().FillRect({0, 0, 4, 2});
  const std::uint8_t bits[] = {0x40, 0, 0x80, 0};  // 2 × 2: (1, 0) and (0, 1) transparent
  auto mask = CreateMaskBitmap(2, 2, bits);
  target->Canvas().DrawMasked({0, 0, 4, 2}, *Numbered(4, 2), *mask);
  EXPECT_EQ(Indexes(*target), (TIndexRows{{0, 1, 0, 0}, {0, 0, 12, 13}}));

  auto notMask = MakeBitmap(TPixelFormat::pf8bit, 2, 2);
  EXPECT_THROW(target->Canvas().DrawMasked({0, 0, 4, 2}, *Numbered(4, 2), *notMask), EGraphicError);
}

TEST(CanvasTest, CopyRectStretchesAndKeepsPixelsOutsideTheSource) {
  auto source = Numbered(4, 2);
  auto target = MakeBitmap(TPixelFormat::pf24bit, 4, 1);
  target->Canvas().CopyRect({0, 0, 4, 1}, source->Canvas(), {2, 1, 6, 2});
  EXPECT_EQ(Indexes(*target), (TIndexRows{{12, 13, -1, -1}}));
  target->Canvas().CopyRect({0, 0, 4, 1}, source->Canvas(), {1, 0, 3, 1});
  EXPECT_EQ(Indexes(*target), (TIndexRows{{1, 1, 2, 2}}));

  // Rectangles spanning the whole int range map onto each other pixel for pixel.
  auto full = MakeBitmap(TPixelFormat::pf24bit, 4, 1);
  full->Canvas().CopyRect({INT32_MIN, 0, INT32_MAX, 1}, source->Canvas(),
                          {INT32_MIN, 1, INT32_MAX, 2});
  EXPECT_EQ(Indexes(*full), (TIndexRows{{10, 11, 12, 13}}));

  // Onto itself, overlapping: reads the pixels as they were before the copy.
  auto self = Numbered(5, 1);
  self->Canvas().CopyRect({1, 0, 5, 1}, self->Canvas(), {0, 0, 4, 1});
  EXPECT_EQ(std::vector<int>(self->ScanLine(0), self->ScanLine(0) + 5),
            (std::vector{0, 0, 1, 2, 3}));
}

TEST(CanvasTest, DrawingIntoIndexedTargetsMapsToNearestEntry) {
  // Source: 24-bit colors; target 8 bits over a three-entry palette.
  auto source = MakeBitmap(TPixelFormat::pf24bit, 3, 1);
  const TColor colors[] = {Rgb(250, 0, 0), Rgb(0, 0, 0), Rgb(5, 250, 5)};
  for (int x = 0; x < 3; ++x) {
    source->Canvas().BrushColor = colors[x];
    source->Canvas().FillRect({x, 0, x + 1, 1});
  }
  const TPaletteHandle palette = MakePalette({{0, 255, 0}, {255, 0, 0}, {0, 0, 0}});
  auto target = MakeBitmap(TPixelFormat::pf8bit, 3, 1, palette);
  target->Canvas().StretchDraw({0, 0, 3, 1}, *source);
  EXPECT_EQ(std::vector<int>(target->ScanLine(0), target->ScanLine(0) + 3), (std::vector{1, 2, 0}));

  // Indexed source into 1 bit: palette entries become the nearest of black and white; an
  // index beyond the source palette draws black.
  auto indexed = MakeBitmap(TPixelFormat::pf8bit, 3, 1, MakePalette({{200, 200, 200}, {20, 0, 0}}));
  indexed->ScanLine(0)[1] = 1;
  indexed->ScanLine(0)[2] = 7;
  auto mono = MakeBitmap(TPixelFormat::pf1bit, 3, 1);
  mono->Canvas().BrushColor = Rgb(255, 255, 255);
  mono->Canvas().FillRect({0, 0, 3, 1});
  mono->Canvas().StretchDraw({0, 0, 3, 1}, *indexed);
  EXPECT_EQ(mono->ScanLine(0)[0], 0x80);
}

TEST(CanvasTest, PaletteSelectionValidityAndChangeNotification) {
  TBitmap bitmap;
  TCanvas& canvas = bitmap.Canvas();
  EXPECT_EQ(&canvas.Bitmap(), &bitmap);
  EXPECT_EQ(&bitmap.Canvas(), &canvas);

  canvas.RealizePalette();  // nothing selected: nothing changes
  EXPECT_EQ(bitmap.Palette(), nullptr);
  const TPaletteHandle palette = Ramp(2);
  canvas.SelectPalette(palette);
  EXPECT_EQ(bitmap.Palette(), nullptr);
  canvas.RealizePalette();
  EXPECT_EQ(bitmap.Palette(), palette);

  int changes = 0;
  bitmap.OnChange = [&] { ++changes; };
  canvas.Changed();
  bitmap.Changed();
  EXPECT_EQ(changes, 2);

  EXPECT_TRUE(canvas.HandleValid());
  canvas.Invalidate();
  EXPECT_FALSE(canvas.HandleValid());
}

}  // namespace
}  // namespace lumvane::test
