#include <gtest/gtest.h>

#include "gfx/Bitmap.h"
#include "support/CommandLineTest.h"
#include "support/Corpus.h"

namespace lumvane::test {
namespace {

using RenderCommandTest = CommandLineTest;

TEST_F(RenderCommandTest, WritesTheFrameAsABitmapFile) {
  TGIFImage image;
  for (TColor c : {0x000000u, 0x0000FFu}) image.Header.GlobalColorMap().AddColor(c);
  AddFrame(image, 0, 0, 2, 1);
  TGIFSubImage& second = AddFrame(image, 0, 0, 2, 1);
  second.Pixels()[1] = 1;
  const std::string in = Write("in.gif", SaveBytes(image));
  const std::string out = (dir / "out.bmp").string();
  std::string output;
  ASSERT_EQ(Run({"render", in, out, "--frame", "1"}, output), 0) << output;
  TBitmap bitmap;
  bitmap.LoadFromBMP(ReadFileBytes(out));
  EXPECT_EQ(bitmap.Width(), 2);
  EXPECT_EQ(bitmap.PixelColor(0, 0), 0u);
  EXPECT_EQ(bitmap.PixelColor(1, 0), 0x0000FFu);

  ASSERT_EQ(Run({"render", in, out, "--dithered"}, output), 0) << output;
  bitmap.LoadFromBMP(ReadFileBytes(out));
  EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf8bit);

  EXPECT_EQ(Run({"render", in, out, "--frame", "2"}, output), 1);
  EXPECT_NE(output.find("there is no frame 2"), std::string::npos) << output;
  EXPECT_EQ(Run({"render", in}, output), 2);
  EXPECT_EQ(Run({"render", in, out, "--frame", "x"}, output), 2);
}

}  // namespace
}  // namespace lumvane::test
