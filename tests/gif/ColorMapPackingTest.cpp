#include <gtest/gtest.h>

#include "gif/GIFGraphicControlExtension.h"
#include "support/GifBytes.h"

namespace lumvane::test {
namespace {

Bytes Triples(const TGIFColorMap& map) { return Bytes(map.Entries(), map.Entries() + map.Count() * 3); }

void Fill(TGIFSubImage& frame, const Bytes& pixels) { std::copy(pixels.begin(), pixels.end(), frame.Pixels()); }
Bytes PixelsOf(const TGIFSubImage& frame) { return Bytes(frame.Pixels(), frame.Pixels() + frame.PixelCount()); }

TEST(ColorMapPacking, EntriesAreOrderedByUseAndUnusedOnesDropped) {
  TGIFImage image;
  TGIFSubImage& frame = AddFrame(image, 0, 0, 14, 1);
  for (TColor c : {0x0000AAu, 0x00BB00u, 0xCC0000u, 0x111111u}) frame.LocalColorMap().AddColor(c);
  // Entries 0..3 used by 5, 0, 9 and 0 pixels.
  Fill(frame, {0, 2, 2, 0, 2, 2, 0, 2, 2, 0, 2, 2, 0, 2});
  EXPECT_TRUE(frame.LocalColorMap().PackEntries());
  EXPECT_EQ(frame.LocalColorMap().Count(), 2);
  EXPECT_TRUE(frame.LocalColorMap().Sorted());
  EXPECT_EQ(Triples(frame.LocalColorMap()), (Bytes{0, 0, 0xCC, 0xAA, 0, 0}));
  EXPECT_EQ(PixelsOf(frame), (Bytes{1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0}));
}

TEST(ColorMapPacking, EqualCountsTradePlacesAndOrderedMapsOnlyGetTheSortFlag) {
  TGIFImage image;
  TGIFSubImage& frame = AddFrame(image, 0, 0, 2, 1);
  frame.LocalColorMap().AddColor(1);
  frame.LocalColorMap().AddColor(2);
  Fill(frame, {0, 1});
  frame.LocalColorMap().PackEntries();
  EXPECT_EQ(PixelsOf(frame), (Bytes{1, 0}));
  EXPECT_EQ(frame.LocalColorMap().ColorAt(0), 2u);

  TGIFSubImage& ordered = AddFrame(image, 0, 0, 3, 1);
  for (TColor c : {7u, 8u, 9u}) ordered.LocalColorMap().AddColor(c);
  Fill(ordered, {0, 0, 1});
  EXPECT_TRUE(ordered.LocalColorMap().PackEntries());
  EXPECT_EQ(ordered.LocalColorMap().Count(), 3);  // the unused entry stays when nothing moves
  EXPECT_TRUE(ordered.LocalColorMap().Sorted());

  TGIFSubImage& single = AddFrame(image, 0, 0, 1, 1);
  single.LocalColorMap().AddColor(5);
  EXPECT_FALSE(single.LocalColorMap().PackEntries());
  EXPECT_FALSE(single.LocalColorMap().Sorted());
}

TEST(ColorMapPacking, TheGlobalMapCountsEveryFrameDrawingThroughIt) {
  TGIFImage image;
  TGIFColorMap& global = image.Header.GlobalColorMap();
  for (TColor c : {1u, 2u, 3u}) global.AddColor(c);
  TGIFSubImage& a = AddFrame(image, 0, 0, 2, 1);
  TGIFSubImage& b = AddFrame(image, 0, 0, 2, 1);
  TGIFSubImage& own = AddFrame(image, 0, 0, 4, 1);
  own.LocalColorMap().AddColor(9);
  own.LocalColorMap().AddColor(8);
  Fill(a, {2, 0});
  Fill(b, {2, 2});
  Fill(own, {1, 1, 1, 1});  // its own map: neither counted nor remapped
  auto control = std::make_unique<TGIFGraphicControlExtension>(b);
  control->SetTransparent(true);
  control->SetTransparentIndex(0);
  b.Extensions().Add(std::move(control));

  EXPECT_TRUE(global.PackEntries());
  EXPECT_EQ(global.Count(), 2);
  EXPECT_EQ(PixelsOf(a), (Bytes{0, 1}));
  EXPECT_EQ(PixelsOf(b), (Bytes{0, 0}));
  EXPECT_EQ(b.ControlExtension->TransparentIndex(), 1);  // old entry 0 is now entry 1
  EXPECT_EQ(PixelsOf(own), (Bytes{1, 1, 1, 1}));
}

TEST(ColorMapPacking, PixelsBeyondTheMapKeepTheirValueAndTheMapKeepsItsEntries) {
  TGIFImage image;
  TGIFSubImage& frame = AddFrame(image, 0, 0, 4, 1);
  for (TColor c : {1u, 2u, 3u, 4u}) frame.LocalColorMap().AddColor(c);
  Fill(frame, {3, 9, 9, 200});
  frame.LocalColorMap().PackEntries();
  EXPECT_EQ(frame.LocalColorMap().Count(), 4);
  EXPECT_EQ(frame.LocalColorMap().ColorAt(0), 4u);
  EXPECT_EQ(PixelsOf(frame), (Bytes{0, 9, 9, 200}));

  TGIFSubImage& beyond = AddFrame(image, 0, 0, 2, 1);
  beyond.LocalColorMap().AddColor(1);
  beyond.LocalColorMap().AddColor(2);
  Fill(beyond, {7, 7});
  beyond.LocalColorMap().PackEntries();
  EXPECT_EQ(beyond.LocalColorMap().Count(), 2);  // not cut to nothing
}

// A frame may carry two control blocks (a file's blocks before an image all belong to it);
// viewers go by the last, so its transparent index moves with the pixels too.
TEST(ColorMapPacking, EveryControlBlocksTransparentIndexFollowsThePixels) {
  TGIFImage image;
  TGIFSubImage& frame = AddFrame(image, 0, 0, 6, 1);
  for (TColor c : {0x0000AAu, 0x00BB00u, 0xCC0000u}) frame.LocalColorMap().AddColor(c);
  Fill(frame, {2, 2, 2, 1, 1, 0});
  for (const bool transparent : {false, true}) {
    auto control = std::make_unique<TGIFGraphicControlExtension>(frame);
    control->SetTransparent(transparent);
    control->SetTransparentIndex(transparent ? 0 : 2);
    frame.Extensions().Add(std::move(control));
  }
  ASSERT_EQ(frame.ControlBlockCount(), 2);
  EXPECT_TRUE(frame.LocalColorMap().PackEntries());
  EXPECT_EQ(PixelsOf(frame), (Bytes{0, 0, 0, 1, 1, 2}));
  const auto& last = static_cast<const TGIFGraphicControlExtension&>(frame.Extensions()[1]);
  EXPECT_EQ(last.TransparentIndex(), 2);  // still the index of the pixel that was 0
}

}  // namespace
}  // namespace lumvane::test
