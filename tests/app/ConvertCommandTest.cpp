#include <sys/stat.h>

#include "gfx/Bitmap.h"
#include "support/CommandLineTest.h"
#include "support/Corpus.h"

namespace lumvane::test {
namespace {

struct ConvertCommandTest : CommandLineTest {
  // A 64 × 4 frame of long runs.
  Bytes file;

  void SetUp() override {
    CommandLineTest::SetUp();
    TGIFImage image;
    for (int i = 0; i < 4; ++i) image.Header.GlobalColorMap().AddColor(0x404040 * i);
    TGIFSubImage& frame = AddFrame(image, 0, 0, 64, 4);
    for (int i = 0; i < 256; ++i) frame.Pixels()[i] = static_cast<std::uint8_t>(i / 40 % 4);
    file = SaveBytes(image);
  }
};

TEST_F(ConvertCommandTest, WritesTheSameFramesWithEitherEncoder) {
  const std::string in = Write("in.gif", file);
  const std::string lzw = (dir / "lzw.gif").string(), rle = (dir / "rle.gif").string();
  ASSERT_EQ(Run({"convert", in, lzw}), 0);
  ASSERT_EQ(Run({"convert", in, rle, "--rle"}), 0);
  EXPECT_EQ(ReadFileBytes(lzw), file);
  const Bytes rleBytes = ReadFileBytes(rle);
  EXPECT_NE(rleBytes, file);
  const Loaded loaded = LoadBytes(rleBytes);
  ASSERT_EQ(loaded.Error, "");
  const Loaded original = LoadBytes(file);
  EXPECT_TRUE(std::equal(original.Image->Frames[0].Pixels(), original.Image->Frames[0].Pixels() + 256,
                         loaded.Image->Frames[0].Pixels()));
  EXPECT_EQ(Listing(), (std::vector<std::string>{"in.gif", "lzw.gif", "rle.gif"}));
}

TEST_F(ConvertCommandTest, ReplacingAFileKeepsItsPermissions) {
  const std::string in = Write("in.gif", file);
  const std::string out = Write("out.gif", Bytes(5000, 1));
  ASSERT_EQ(::chmod(out.c_str(), 0640), 0);
  ASSERT_EQ(Run({"convert", in, out}), 0);
  struct stat info {};
  ASSERT_EQ(::stat(out.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadFileBytes(out), file);
}

TEST_F(ConvertCommandTest, FailuresLeaveNothingBehind) {
  std::string output;
  const std::string bad = Write("bad.gif", Bytes{'G', 'I', 'F', '8', '9', 'a', 1});
  EXPECT_EQ(Run({"convert", bad, (dir / "out.gif").string()}, output), 1);
  EXPECT_NE(output.find("error: Premature end of data"), std::string::npos) << output;
  EXPECT_EQ(Listing(), std::vector<std::string>{"bad.gif"});

  const std::string in = Write("in.gif", file);
  EXPECT_EQ(Run({"convert", in, (dir / "missing" / "out.gif").string()}, output), 1);
  EXPECT_NE(output.find("error: Cannot write file"), std::string::npos) << output;

  EXPECT_EQ(Run({"convert", in}), 2);
  EXPECT_EQ(Run({"convert", in, (dir / "x.gif").string(), "--lzw"}), 2);
  EXPECT_EQ(Listing(), (std::vector<std::string>{"bad.gif", "in.gif"}));
}

TEST_F(ConvertCommandTest, PicturesBecomeOneFrameGifsWithTheReductionAsked) {
  // 8 × 8 of 64 colors, true color.
  TBitmap picture;
  picture.SetSize(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      std::uint8_t* pixel = picture.ScanLine(y) + 3 * x;
      pixel[0] = static_cast<std::uint8_t>(x * 30), pixel[1] = static_cast<std::uint8_t>(y * 30), pixel[2] = 200;
    }
  const std::string bmp = Write("in.bmp", picture.SaveToBMP());
  const auto colorsOf = [&](const std::string& name) {
    const Loaded loaded = LoadBytes(ReadFileBytes((dir / name).string()));
    EXPECT_EQ(loaded.Error, "");
    EXPECT_EQ(loaded.Image->Frames.Count(), 1);
    EXPECT_EQ(loaded.Image->Width(), 8);
    return loaded.Image->Frames[0].LocalColorMap().Count();
  };
  ASSERT_EQ(Run({"convert", bmp, (dir / "exact.gif").string(), "--reduce", "none"}), 0);
  EXPECT_EQ(colorsOf("exact.gif"), 64);
  ASSERT_EQ(Run({"convert", bmp, (dir / "four.gif").string(), "--reduce", "quantize", "--bits", "2", "--dither",
                 "floydsteinberg"}),
            0);
  EXPECT_EQ(colorsOf("four.gif"), 4);
  ASSERT_EQ(Run({"convert", bmp, (dir / "web.gif").string()}), 0);  // the web palette by default
  EXPECT_EQ(colorsOf("web.gif"), 256);  // the 216 web colors, in a table of the next power of two

  std::string output;
  EXPECT_EQ(Run({"convert", bmp, (dir / "x.gif").string(), "--reduce", "sepia"}, output), 2);
  EXPECT_NE(output.find("unknown reduction method sepia"), std::string::npos) << output;
  EXPECT_EQ(Run({"convert", bmp, (dir / "x.gif").string(), "--bits", "9"}), 2);
  EXPECT_EQ(Run({"convert", bmp, (dir / "x.gif").string(), "--dither"}), 2);
  const std::string broken = Write("broken.bmp", Bytes{'B', 'M', 0, 0});
  EXPECT_EQ(Run({"convert", broken, (dir / "x.gif").string()}, output), 1);
  EXPECT_NE(output.find("error: "), std::string::npos) << output;
  const std::string notIcon = Write("bad.ico", Bytes(30, 7));
  EXPECT_EQ(Run({"convert", notIcon, (dir / "x.gif").string()}, output), 1);
  EXPECT_NE(output.find("Invalid icon"), std::string::npos) << output;
}

}  // namespace
}  // namespace lumvane::test
