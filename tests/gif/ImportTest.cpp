// Frames made from bitmaps, icons and vector pictures; masks; documents built from pictures;
// the clipboard; and the round trip of every corpus frame through a BMP picture.

#include <gtest/gtest.h>

#include <map>

#include "base/Errors.h"
#include "gfx/IconGraphic.h"
#include "gfx/MetafileGraphic.h"
#include "gfx/PictureSystem.h"
#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFImage.h"
#include "render/FrameRendering.h"
#include "support/Corpus.h"
#include "support/GifBytes.h"

namespace lumvane::test {
namespace {

TColor Rgb(int r, int g, int b) { return static_cast<TColor>(r | (g << 8) | (b << 16)); }

// A 24-bit bitmap whose pixel (x, y) has the color the function gives.
template <class TColorOf>
std::unique_ptr<TBitmap> TrueColor(int width, int height, TColorOf colorOf) {
  auto made = std::make_unique<TBitmap>();
  TBitmap& bitmap = *made;
  bitmap.SetSize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const TColor c = colorOf(x, y);
      std::uint8_t* pixel = bitmap.ScanLine(y) + 3 * x;
      pixel[0] = static_cast<std::uint8_t>(c >> 16), pixel[1] = static_cast<std::uint8_t>(c >> 8),
      pixel[2] = static_cast<std::uint8_t>(c);
    }
  return made;
}

// The color of a map entry; black beyond the map.
TColor EntryColor(const TGIFColorMap& map, int index) {
  if (index >= map.Count()) return 0;
  const std::uint8_t* rgb = map.Entries() + 3 * index;
  return Rgb(rgb[0], rgb[1], rgb[2]);
}

// The color the frame shows at a pixel through its local map.
TColor FrameColor(const TGIFSubImage& frame, int x, int y) {
  return EntryColor(frame.LocalColorMap(), frame.Pixels()[y * frame.FrameWidth() + x]);
}

struct ImportTest : ::testing::Test {
  TGIFImage image;
  TGIFSubImage& NewFrame() { return AddFrame(image, 0, 0, 1, 1); }
};

TEST_F(ImportTest, IndexedRowsUnpackHighBitsFirst) {
  TBitmap four;
  four.SetPixelFormat(TPixelFormat::pf4bit);
  four.SetSize(3, 2);
  four.ScanLine(0)[0] = 0x12, four.ScanLine(0)[1] = 0x3F;
  four.ScanLine(1)[0] = 0xA5, four.ScanLine(1)[1] = 0xC0;
  TGIFSubImage& frame = NewFrame();
  frame.CopyFrom(four);
  ASSERT_EQ(frame.FrameWidth(), 3);
  EXPECT_EQ(Bytes(frame.Pixels(), frame.Pixels() + 6), (Bytes{1, 2, 3, 0xA, 5, 0xC}));
  EXPECT_EQ(frame.LocalColorMap().Count(), 16);  // the VGA colors the bitmap shows
  EXPECT_EQ(FrameColor(frame, 2, 0), four.PixelColor(2, 0));

  TBitmap one;
  one.SetPixelFormat(TPixelFormat::pf1bit);
  one.SetSize(10, 1);
  one.ScanLine(0)[0] = 0b10100000, one.ScanLine(0)[1] = 0b01000000;
  frame.CopyFrom(one);
  EXPECT_EQ(Bytes(frame.Pixels(), frame.Pixels() + 10), (Bytes{1, 0, 1, 0, 0, 0, 0, 0, 0, 1}));
}

TEST_F(ImportTest, IndexesBeyondTheBitmapsPaletteStayBlackAndSave) {
  TBitmap eight;
  eight.SetPixelFormat(TPixelFormat::pf8bit);
  eight.SetPalette(MakePalette({{255, 0, 0, 0}, {0, 255, 0, 0}}));
  eight.SetSize(3, 1);
  eight.ScanLine(0)[0] = 1, eight.ScanLine(0)[1] = 6, eight.ScanLine(0)[2] = 0;
  TGIFSubImage& frame = NewFrame();
  frame.CopyFrom(eight);
  EXPECT_EQ(frame.LocalColorMap().Count(), 7);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(FrameColor(frame, x, 0), eight.PixelColor(x, 0)) << x;
  EXPECT_NO_THROW(SaveBytes(image));
}

TEST_F(ImportTest, TrueColorIsReducedByTheDocumentsSettings) {
  const auto gradient = TrueColor(40, 8, [](int x, int y) { return Rgb(x * 6, y * 30, 255 - x * 6); });
  TGIFSubImage& frame = NewFrame();
  frame.CopyFrom(*gradient);  // defaults: the web palette, nearest color
  const TGIFColorMap& map = frame.LocalColorMap();
  ASSERT_EQ(map.Count(), 216);
  EXPECT_EQ(EntryColor(map, 36 * 1 + 6 * 2 + 3), Rgb(51, 102, 153));
  for (int i = 0; i < map.Count(); ++i) {
    const TColor c = EntryColor(map, i);
    EXPECT_EQ((c & 0xFF) % 51 + ((c >> 8) & 0xFF) % 51 + ((c >> 16) & 0xFF) % 51, 0u) << i;
  }
  EXPECT_EQ(gradient->BitsPerPixel(), 24);  // the caller's bitmap is left as it was
}

TEST_F(ImportTest, TrueColorWithoutReductionKeepsEveryColorOrOverflows) {
  image.ImportReduction = reduceNone;
  // 20 colors in runs and repeats, which the recent-color cache both hits and misses.
  const auto few = TrueColor(37, 9, [](int x, int y) { return Rgb((x / 3 + y) % 20 * 12, x % 2 * 7, y); });
  TGIFSubImage& frame = NewFrame();
  frame.CopyFrom(*few);
  std::map<TColor, int> indexOf;
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 37; ++x) {
      ASSERT_EQ(FrameColor(frame, x, y), few->PixelColor(x, y)) << x << "," << y;
      const int index = frame.Pixels()[y * 37 + x];
      ASSERT_TRUE(indexOf.emplace(few->PixelColor(x, y), index).first->second == index);  // one entry per color
    }
  EXPECT_EQ(frame.LocalColorMap().Count(), static_cast<int>(indexOf.size()));

  const auto many = TrueColor(300, 1, [](int x, int) { return Rgb(x % 256, x / 256, 9); });
  try {
    frame.CopyFrom(*many);
    FAIL() << "300 colors fit a color table";
  } catch (const GIFException& error) {
    EXPECT_STREQ(error.what(), "Color table overflow");
  }
}

TEST_F(ImportTest, ProgressIsReportedEvery32RowsAndEndsWithZeroOnFailure) {
  std::vector<std::pair<int, int>> reports;  // stage, percent
  image.OnProgress = [&](const TPersistent* sender, TProgressStage stage, int percent, bool, const TRect&,
                         const std::string& message) {
    EXPECT_EQ(message, "Converting...");
    EXPECT_EQ(sender, &image.Frames[0]);
    reports.emplace_back(static_cast<int>(stage), percent);
  };
  TBitmap tall;
  tall.SetPixelFormat(TPixelFormat::pf8bit);
  tall.SetSize(2, 67);
  NewFrame().CopyFrom(tall);
  EXPECT_EQ(reports, (std::vector<std::pair<int, int>>{{0, 0}, {1, 0}, {1, 48}, {1, 96}, {2, 100}}));

  reports.clear();
  image.ImportReduction = reduceNone;
  EXPECT_THROW(image.Frames[0].CopyFrom(*TrueColor(300, 1, [](int x, int) { return Rgb(x % 256, x / 256, 0); })),
               GIFException);
  EXPECT_EQ(reports.back(), std::make_pair(2, 0));
}

TEST_F(ImportTest, TooWideForAFrameIsRefused) {
  TBitmap wide;
  wide.SetPixelFormat(TPixelFormat::pf8bit);
  wide.SetSize(70000, 1);
  EXPECT_THROW(NewFrame().CopyFrom(wide), GIFException);
}

TEST_F(ImportTest, MasksBecomeTransparencyOnlyWhenTheyCoverAPixelAndTheMapHasRoom) {
  image.ImportReduction = reduceNone;
  const auto markedBitmap = TrueColor(4, 2, [](int x, int y) { return x == 0 && y == 1 ? Rgb(9, 9, 9) : Rgb(x * 50, 0, 0); });
  TBitmap& marked = *markedBitmap;
  marked.Transparent = true;  // the bottom-left color: only that pixel
  TGIFSubImage& frame = NewFrame();
  frame.CopyFrom(marked);
  ASSERT_NE(frame.ControlExtension, nullptr);
  EXPECT_TRUE(frame.ControlExtension->Transparent());
  const int t = frame.ControlExtension->TransparentIndex();
  EXPECT_EQ(EntryColor(frame.LocalColorMap(), t), 0u);
  EXPECT_EQ(frame.Pixels()[4], t);
  for (int i : {0, 1, 2, 3, 5, 6, 7}) EXPECT_NE(frame.Pixels()[i], t) << i;

  // A mask color no pixel has: no control block, and the map keeps its packed size.
  marked.TransparentColor = Rgb(1, 2, 3);
  frame.CopyFrom(marked);
  EXPECT_EQ(frame.ControlExtension, nullptr);
  EXPECT_EQ(frame.LocalColorMap().Count(), 5);

  // A full map has no room for the transparent color.
  TBitmap full;
  full.SetPixelFormat(TPixelFormat::pf8bit);
  std::vector<TPaletteEntry> entries;
  for (int i = 0; i < 256; ++i) entries.push_back({static_cast<std::uint8_t>(i), 0, 0, 0});
  full.SetPalette(MakePalette(entries));
  full.SetSize(256, 1);
  for (int x = 0; x < 256; ++x) full.ScanLine(0)[x] = static_cast<std::uint8_t>(x);
  full.Transparent = true;
  frame.CopyFrom(full);
  EXPECT_EQ(frame.ControlExtension, nullptr);
  EXPECT_EQ(frame.LocalColorMap().Count(), 256);
}

// A one-image .ico file: width × 2 rows of 32-bit pixels (blue, green, red, alpha) bottom-up,
// then the AND mask.
Bytes IconFile(int width, int height, const std::vector<std::uint32_t>& bgra, const Bytes& andRows) {
  Bytes dib(40, 0);
  auto put = [](Bytes& b, std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put(dib, 0, 40, 4), put(dib, 4, width, 4), put(dib, 8, 2 * height, 4), put(dib, 12, 1, 2), put(dib, 14, 32, 2);
  for (int y = height - 1; y >= 0; --y)
    for (int x = 0; x < width; ++x)
      for (int i = 0; i < 4; ++i) dib.push_back(static_cast<std::uint8_t>(bgra[y * width + x] >> (8 * i)));
  dib.insert(dib.end(), andRows.begin(), andRows.end());
  Bytes file{0, 0, 1, 0, 1, 0, static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(height), 0, 0, 1, 0, 32, 0};
  file.resize(22);
  put(file, 14, static_cast<std::uint32_t>(dib.size()), 4), put(file, 18, 22, 4);
  return file + dib;
}

TEST_F(ImportTest, IconsBringTheirSeeThroughPixelsAsTransparency) {
  // 2 × 2: red, see-through (alpha 0), green, blue.
  const Bytes file = IconFile(2, 2, {0xFFFF0000, 0x00FFFFFF, 0xFF00FF00, 0xFF0000FF}, Bytes(8, 0));
  TIcon icon;
  TMemoryStream stream(file);
  icon.LoadFromStream(stream);
  ASSERT_EQ(icon.Width(), 2);
  TGIFSubImage& frame = NewFrame();
  frame.CopyFrom(icon);
  ASSERT_NE(frame.ControlExtension, nullptr);
  const int t = frame.ControlExtension->TransparentIndex();
  EXPECT_EQ(frame.Pixels()[1], t);
  EXPECT_EQ(FrameColor(frame, 0, 0), Rgb(255, 0, 0));
  EXPECT_EQ(FrameColor(frame, 0, 1), Rgb(0, 255, 0));
  EXPECT_EQ(FrameColor(frame, 1, 1), Rgb(0, 0, 255));

  // Damaged files fail cleanly and keep the icon as it was.
  for (std::size_t cut : {std::size_t{3}, std::size_t{20}, std::size_t{40}, file.size() - 9}) {
    TMemoryStream damaged(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut)));
    EXPECT_THROW(icon.LoadFromStream(damaged), EInvalidGraphic) << cut;
  }
  EXPECT_EQ(icon.Width(), 2);
}

TEST_F(ImportTest, MetafilesAreTransparentWhereTheyPaintNothing) {
  TMetafile picture;
  picture.SetSize(4, 3);
  picture.AddRectangle(TRect{1, 0, 3, 2}, Rgb(51, 102, 153));  // a web color: the default reduction keeps it
  TMemoryStream stored;
  picture.SaveToStream(stored);
  stored.SetPosition(0);
  TMetafile loaded;
  loaded.LoadFromStream(stored);
  TGIFSubImage& frame = NewFrame();
  frame.CopyFrom(loaded);
  ASSERT_NE(frame.ControlExtension, nullptr);
  const int t = frame.ControlExtension->TransparentIndex();
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) {
      const bool painted = x >= 1 && x < 3 && y < 2;
      if (painted)
        EXPECT_EQ(FrameColor(frame, x, y), Rgb(51, 102, 153)) << x << "," << y;
      else
        EXPECT_EQ(frame.Pixels()[y * 4 + x], t) << x << "," << y;
    }
}

TEST_F(ImportTest, DocumentsTakePicturesAsFramesAndGrowTheirScreen) {
  TMetafile picture;
  picture.SetSize(30, 20);
  picture.AddRectangle(TRect{0, 0, 30, 20}, Rgb(1, 2, 3));
  TGIFImage document;
  document.CopyFrom(static_cast<TGraphic*>(&picture));
  ASSERT_EQ(document.Frames.Count(), 1);
  EXPECT_EQ(document.Width(), 30);
  EXPECT_EQ(document.Height(), 20);
  EXPECT_EQ(document.Add(picture), 1);
  const Loaded reloaded = LoadBytes(SaveBytes(document));
  EXPECT_EQ(reloaded.Error, "");
  EXPECT_EQ(reloaded.Warnings, std::vector<std::string>{});
  EXPECT_EQ(reloaded.Image->Frames.Count(), 2);

  // A GIF document given as a graphic is copied with its settings.
  document.ImportReduction = reduceGrayScale;
  TGIFImage copy;
  copy.CopyFrom(static_cast<TGraphic*>(&document));
  EXPECT_EQ(copy.Frames.Count(), 2);
  EXPECT_EQ(copy.ImportReduction, reduceGrayScale);
  copy.CopyFrom(static_cast<TGraphic*>(nullptr));
  EXPECT_TRUE(copy.IsEmpty());
}

// An in-memory clipboard.
class TTestClipboard : public TClipboard {
public:
  void Open() override {
    Formats.clear();
    Picture.reset();
  }
  bool HasFormat(const std::string& format) const override { return Formats.count(format) > 0; }
  std::vector<std::uint8_t> Data(const std::string& format) const override { return Formats.at(format); }
  bool SetData(const std::string& format, const std::vector<std::uint8_t>& bytes) override {
    if (Refuse) return false;
    Formats[format] = bytes;
    return true;
  }
  bool GetBitmap(TBitmap& bitmap) const override {
    if (!Picture) return false;
    bitmap.Assign(*Picture);
    return true;
  }
  bool SetBitmap(const TBitmap& bitmap) override {
    Picture = std::make_unique<TBitmap>();
    Picture->Assign(bitmap);
    return true;
  }
  std::map<std::string, std::vector<std::uint8_t>> Formats;
  std::unique_ptr<TBitmap> Picture;
  bool Refuse = false;
};

TEST_F(ImportTest, ClipboardCarriesTheFileAndThePicture) {
  TGIFSubImage& frame = NewFrame();
  image.ImportReduction = reduceNone;
  frame.CopyFrom(*TrueColor(3, 2, [](int x, int y) { return Rgb(x * 80, y * 80, 7); }));
  image.Header.SetLogicalScreenWidth(3);
  image.Header.SetLogicalScreenHeight(2);
  const Bytes file = SaveBytes(image);

  TTestClipboard clipboard;
  image.SaveToClipboardFormat(clipboard);
  EXPECT_EQ(clipboard.Formats.at("GIF Image"), file);
  ASSERT_NE(clipboard.Picture, nullptr);
  EXPECT_EQ(clipboard.Picture->PixelColor(2, 1), Rgb(160, 80, 7));

  TPictureContainer pasted;
  pasted.PasteFromClipboard(clipboard);
  auto* document = dynamic_cast<TGIFImage*>(pasted.Graphic());
  ASSERT_NE(document, nullptr);
  EXPECT_EQ(SaveBytes(*document), file);

  TGIFImage fromBitmap;
  fromBitmap.ImportReduction = reduceNone;
  fromBitmap.LoadFromClipboardFormat("Bitmap", clipboard);
  ASSERT_EQ(fromBitmap.Frames.Count(), 1);
  EXPECT_EQ(FrameColor(fromBitmap.Frames[0], 2, 1), Rgb(160, 80, 7));

  EXPECT_THROW(fromBitmap.LoadFromClipboardFormat("Rich Text", clipboard), GIFException);
  clipboard.Refuse = true;
  try {
    image.SaveToClipboardFormat(clipboard);
    FAIL() << "a refused store went unnoticed";
  } catch (const GIFException& error) {
    EXPECT_STREQ(error.what(), "Failed to store GIF on clipboard");
  }
  TTestClipboard empty;
  EXPECT_THROW(pasted.PasteFromClipboard(empty), EInvalidGraphic);
  EXPECT_EQ(pasted.Graphic(), document);  // the earlier picture stays
}

// Every corpus frame, rendered to a BMP picture and imported again, shows the same colors:
// as an 8-bit picture, and as a true-color one without reduction.
TEST(ImportCorpus, EveryFrameSurvivesTheTripThroughABmpPicture) {
  LUMVANE_REQUIRE_CORPUS();
  for (const std::string& path : CorpusFiles("animated")) {
    const Loaded loaded = LoadBytes(ReadFileBytes(path));
    ASSERT_EQ(loaded.Error, "") << path;
    TGIFImage target;
    target.ImportReduction = reduceNone;
    for (int i = 0; i < loaded.Image->Frames.Count(); ++i) {
      TGIFSubImage& original = loaded.Image->Frames[i];
      if (original.IsEmpty()) continue;
      TBitmap picture;
      picture.LoadFromBMP(FrameBitmap(original)->SaveToBMP());
      TBitmap trueColor;
      trueColor.Assign(picture);
      trueColor.SetPixelFormat(TPixelFormat::pf24bit);
      for (const TBitmap* source : {&picture, &trueColor}) {
        TGIFSubImage& copy = AddFrame(target, 0, 0, 1, 1);
        copy.CopyFrom(*source);
        int wrong = 0;
        for (int y = 0; y < copy.FrameHeight(); ++y)
          for (int x = 0; x < copy.FrameWidth(); ++x) wrong += FrameColor(copy, x, y) != picture.PixelColor(x, y);
        EXPECT_EQ(wrong, 0) << BaseName(path) << " frame " << i << " at " << source->BitsPerPixel() << " bits";
        target.Frames.Delete(target.Frames.Count() - 1);
      }
    }
  }
}

}  // namespace
}  // namespace lumvane::test
