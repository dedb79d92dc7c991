#include <gtest/gtest.h>

#include <algorithm>

#include "gif/GIFGraphicControlExtension.h"
#include "optimize/CheapestPixels.h"
#include "optimize/ColorOrder.h"
#include "optimize/Compositor.h"
#include "optimize/FrameInterlacing.h"
#include "optimize/SharedColorTable.h"
#include "support/GifBytes.h"
#include "support/GiflibCompositor.h"

namespace lumvane::test {
namespace {

// A document with a gray global table of the given size, saving with compact code sizes.
std::unique_ptr<TGIFImage> Document(int colors) {
  auto image = std::make_unique<TGIFImage>();
  image->CompactCodeSize = true;
  for (int i = 0; i < colors; ++i) image->Header.GlobalColorMap().AddColor(static_cast<TColor>(i * 0x010101));
  return image;
}

// Makes the frame transparent on the index.
void MakeTransparent(TGIFSubImage& frame, std::uint8_t index) {
  auto control = std::make_unique<TGIFGraphicControlExtension>(frame);
  control->SetTransparent(true);
  control->SetTransparentIndex(index);
  frame.Extensions().Add(std::move(control));
  frame.IsTransparent = true;
}

// The transparent index of each frame as giflib reads it, and the size of the table it
// draws through; -1 for an opaque frame.
std::vector<std::pair<int, int>> GiflibTransparency(const Bytes& bytes) {
  const std::optional<GiflibFile> file = GiflibRead(bytes);
  std::vector<std::pair<int, int>> found;
  if (!file) return found;
  for (const GiflibFrame& frame : file->Frames) {
    int transparent = -1;
    for (const GiflibBlock& block : frame.Extensions)
      if (block.Function == 0xF9 && block.Bytes.size() == 4 && (block.Bytes[0] & 1)) transparent = block.Bytes[3];
    const std::size_t table = (frame.LocalColorMap.empty() ? file->GlobalColorMap : frame.LocalColorMap).size() / 3;
    found.emplace_back(transparent, static_cast<int>(table));
  }
  return found;
}

// A busy pattern of the first `colors` indices.
std::uint8_t Busy(int x, int y, int colors) { return static_cast<std::uint8_t>((x * 7 + y * 13 + x * y) % colors); }

void ExpectSameShow(const Bytes& before, const Bytes& after) {
  const Loaded a = LoadBytes(before), b = LoadBytes(after);
  ASSERT_EQ(a.Error, "");
  ASSERT_EQ(b.Error, "");
  const TShowComparison comparison = CompareShows(*a.Image, *b.Image);
  EXPECT_TRUE(comparison.Same) << comparison.Difference;
  ExpectSameGiflibShow(before, after);
}

// An opaque frame that repeats most of the frame below: the repeated pixels may show it
// through transparency, which the frame gets (with a control block), and it saves shorter.
TEST(ChooseCheapestPixels, RepeatedPixelsOfAnOpaqueFrameTurnTransparentWhereThatCodesShorter) {
  auto image = Document(16);
  for (int frame = 0; frame < 2; ++frame) {
    TGIFSubImage& added = AddFrame(*image, 0, 0, 64, 64);
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x)
        added.RowAt(y)[x] = frame == 1 && x >= 20 && x < 28 && y >= 30 && y < 38 ? 15 : Busy(x, y, 8);
  }
  const Bytes before = SaveBytes(*image);
  ASSERT_EQ(image->Frames[1].ControlExtension, nullptr);

  EXPECT_EQ(ChooseCheapestPixels(*image), 1);
  const TGIFSubImage& second = image->Frames[1];
  ASSERT_NE(second.ControlExtension, nullptr);
  EXPECT_TRUE(second.ControlExtension->Transparent());
  EXPECT_EQ(second.ControlExtension->TransparentIndex(), 8);  // the lowest index no pixel uses
  const Bytes after = SaveBytes(*image);
  EXPECT_LT(after.size(), before.size() * 3 / 4);
  ExpectSameShow(before, after);
}

// Transparent pixels over nothing stay transparent; the transparent index moves from 200 to
// the lowest free one, so the codes start at two bits instead of eight.
TEST(ChooseCheapestPixels, TheTransparentIndexMovesToTheLowestFreeIndex) {
  auto image = Document(256);
  TGIFSubImage& frame = AddFrame(*image, 0, 0, 40, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) frame.RowAt(y)[x] = (x + y) % 5 == 0 ? 200 : Busy(x, y, 3);
  MakeTransparent(frame, 200);
  const Bytes before = SaveBytes(*image);

  EXPECT_EQ(ChooseCheapestPixels(*image), 1);
  EXPECT_EQ(frame.ControlExtension->TransparentIndex(), 3);
  const Bytes after = SaveBytes(*image);
  EXPECT_LT(after.size(), before.size());
  const std::size_t codeSizeAt = 13 + 3 * 256 + 8 + 10;  // header, table, control block, descriptor
  EXPECT_EQ(before[codeSizeAt], 8);
  EXPECT_EQ(after[codeSizeAt], 2);
  ExpectSameShow(before, after);
}

// Thorough work tries more ways of breaking ties and never does worse than the default.
TEST(ChooseCheapestPixels, ThoroughIsNeverLonger) {
  Bytes sizes[2];
  for (const TChoiceEffort effort : {TChoiceEffort::Default, TChoiceEffort::Thorough}) {
    auto image = Document(32);
    for (int frame = 0; frame < 4; ++frame) {
      TGIFSubImage& added = AddFrame(*image, 0, 0, 50, 40);
      for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x)
          added.RowAt(y)[x] =
              (x + frame * 3) % 11 < 2 || (y * frame) % 9 == 1 ? Busy(x + frame, y, 20) : Busy(x, y, 20);
    }
    const Bytes before = SaveBytes(*image);
    ChooseCheapestPixels(*image, effort);
    sizes[effort == TChoiceEffort::Thorough] = SaveBytes(*image);
    ExpectSameShow(before, sizes[effort == TChoiceEffort::Thorough]);
  }
  EXPECT_LE(sizes[1].size(), sizes[0].size());
}

// The image data of the frame with its rows in the given order.
std::int64_t CodedSize(TGIFSubImage& frame, bool interlaced) {
  const bool own = frame.IsInterlaced();
  frame.SetInterlaced(interlaced);
  TMemoryStream stream;
  frame.EncodePixels(stream);
  frame.SetInterlaced(own);
  return stream.Size();
}

// Every other row blank: interlaced order sends the blank rows together and codes shorter.
// A frame blank above and busy below codes shorter in plain order, one long blank run, and
// keeps it. Giflib reads both
// frames back, pixel for pixel, in the order chosen.
TEST(ChooseInterlacing, EachFrameTakesTheRowOrderThatCodesShorter) {
  for (const TGIFEncoderKind kind : {encodeLZW, encodeLZWShorter}) {
    auto image = Document(16);
    image->EncoderKind = kind;
    TGIFSubImage& striped = AddFrame(*image, 0, 0, 24, 24);
    TGIFSubImage& halved = AddFrame(*image, 0, 0, 24, 24);
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 24; ++x) {
        striped.RowAt(y)[x] = y % 2 == 0 ? 0 : Busy(x, y, 16);
        halved.RowAt(y)[x] = y < 12 ? 0 : Busy(x, y, 16);
      }
    ASSERT_LT(CodedSize(striped, true), CodedSize(striped, false));
    ASSERT_GE(CodedSize(halved, true), CodedSize(halved, false));
    const Bytes before = SaveBytes(*image);

    EXPECT_EQ(ChooseInterlacing(*image), 1);
    EXPECT_TRUE(striped.IsInterlaced());
    EXPECT_FALSE(halved.IsInterlaced());
    const Bytes after = SaveBytes(*image);
    EXPECT_LT(after.size(), before.size());
    const std::optional<GiflibFile> file = GiflibRead(after);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->Frames.size(), 2u);
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(file->Frames[i].Interlaced, i == 0);
      EXPECT_EQ(file->Frames[i].Pixels, std::vector<std::uint8_t>(image->Frames[i].Pixels(),
                                                                 image->Frames[i].Pixels() + 24 * 24));
    }
  }
}

// A small frame of four colors at the end of a 64-color table: ordered first, its codes
// start at two bits instead of six; the large frame's code size stays.
TEST(OrderColorsForCodeSizes, FramesWithFewColorsFindThemFirst) {
  auto image = Document(64);
  TGIFSubImage& large = AddFrame(*image, 0, 0, 64, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) large.RowAt(y)[x] = Busy(x, y, 64);
  TGIFSubImage& small = AddFrame(*image, 8, 8, 16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) small.RowAt(y)[x] = static_cast<std::uint8_t>(60 + Busy(x, y, 4));
  const Bytes before = SaveBytes(*image);

  EXPECT_TRUE(OrderColorsForCodeSizes(*image));
  EXPECT_EQ(small.CodeSizeFor(*std::max_element(small.Pixels(), small.Pixels() + 256)), 2);
  EXPECT_EQ(large.CodeSizeFor(*std::max_element(large.Pixels(), large.Pixels() + 4096)), 6);
  const Bytes after = SaveBytes(*image);
  EXPECT_LT(after.size(), before.size());
  ExpectSameShow(before, after);
  // In order already: nothing to do.
  EXPECT_FALSE(OrderColorsForCodeSizes(*image));
}

// Each frame takes the lowest index its opaque pixels leave free, whatever the others take:
// 3 and 2 here, so their codes start at two bits; a frame that leaves only its own
// transparent index free keeps it.
TEST(LowerTransparentIndexes, EachFrameTakesTheLowestIndexItLeavesFree) {
  auto image = Document(16);
  const std::uint8_t skipped[] = {3, 2, 15};
  for (const std::uint8_t skip : skipped) {
    TGIFSubImage& frame = AddFrame(*image, 0, 0, 12, 10);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 12; ++x) {
        const int value = skip == 15 ? Busy(x, y, 15) : Busy(x, y, 4);
        frame.RowAt(y)[x] = (x + y) % 4 == 0 ? 15 : value == skip ? 0 : static_cast<std::uint8_t>(value);
      }
    MakeTransparent(frame, 15);
  }
  const Bytes before = SaveBytes(*image);

  EXPECT_EQ(LowerTransparentIndexes(*image), 2);
  const Bytes after = SaveBytes(*image);
  EXPECT_EQ(GiflibTransparency(after), (std::vector<std::pair<int, int>>{{3, 16}, {2, 16}, {15, 16}}));
  EXPECT_EQ(image->Frames[0].CodeSizeFor(3), 2);
  EXPECT_LT(after.size(), before.size());
  ExpectSameShow(before, after);
}

// Two frames with local tables sharing four of their colors, the second transparent: one
// global table of the twelve colors, no local tables, and the same pictures.
TEST(ShareGlobalColorTable, LocalTablesThatFitBecomeOneGlobalTable) {
  auto image = Document(0);
  for (int f = 0; f < 2; ++f) {
    TGIFSubImage& frame = AddFrame(*image, 0, 0, 16, 16);
    for (int i = 0; i < 8; ++i) frame.LocalColorMap().AddColor(static_cast<TColor>((f * 4 + i) * 0x20));
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) frame.RowAt(y)[x] = f == 1 && x < 6 ? 8 : Busy(x, y, 8);
    if (f == 1) {
      frame.LocalColorMap().AddColor(0);
      MakeTransparent(frame, 8);
    }
  }
  const Bytes before = SaveBytes(*image);

  EXPECT_TRUE(ShareGlobalColorTable(*image));
  EXPECT_EQ(image->Header.GlobalColorMap().Count(), 12);
  EXPECT_EQ(image->Frames[0].LocalColorMap().Count(), 0);
  EXPECT_EQ(image->Frames[1].LocalColorMap().Count(), 0);
  const Bytes after = SaveBytes(*image);
  EXPECT_LT(after.size(), before.size());
  const auto transparency = GiflibTransparency(after);
  ASSERT_EQ(transparency.size(), 2u);
  EXPECT_GE(transparency[1].first, 0);
  EXPECT_LT(transparency[1].first, transparency[1].second);
  ExpectSameShow(before, after);
}

// Tables that do not fit in 256 entries, or that would take as many bytes shared, stay as
// they were, byte for byte.
TEST(ShareGlobalColorTable, TablesStayWhenTheyDoNotFitOrSaveNothing) {
  struct Case {
    const char* Name;
    int Colors;  // per frame, all different
    int Width;
  };
  for (const Case& c : {Case{"more than 256 colors", 200, 20}, Case{"no bytes saved", 2, 4}}) {
    SCOPED_TRACE(c.Name);
    auto image = Document(0);
    for (int f = 0; f < 2; ++f) {
      TGIFSubImage& frame = AddFrame(*image, 0, 0, c.Width, c.Width);
      for (int i = 0; i < c.Colors; ++i)
        frame.LocalColorMap().AddColor(static_cast<TColor>(0x10000 * f + 0x101 * i + 1));
      for (int y = 0; y < c.Width; ++y)
        for (int x = 0; x < c.Width; ++x) frame.RowAt(y)[x] = static_cast<std::uint8_t>((y * c.Width + x) % c.Colors);
    }
    const Bytes before = SaveBytes(*image);
    EXPECT_FALSE(ShareGlobalColorTable(*image));
    EXPECT_EQ(SaveBytes(*image), before);
  }
}

}  // namespace
}  // namespace lumvane::test
