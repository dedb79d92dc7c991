#include <sys/stat.h>

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

}  // namespace
}  // namespace lumvane::test
