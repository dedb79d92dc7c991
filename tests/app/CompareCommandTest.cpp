#include "gif/GIFGraphicControlExtension.h"
#include "support/CommandLineTest.h"

namespace lumvane::test {
namespace {

struct CompareCommandTest : CommandLineTest {
  // A 2 × 1 file: a black and white frame, then the given frame over its left pixel, whose
  // last pixel is transparent.
  std::string Write(const std::string& name, const std::vector<std::uint8_t>& second) {
    TGIFImage image;
    image.Header.GlobalColorMap().AddColor(0x000000);
    image.Header.GlobalColorMap().AddColor(0xFFFFFF);
    image.Header.GlobalColorMap().AddColor(0x0000FF);
    TGIFSubImage& first = AddFrame(image, 0, 0, 2, 1);
    first.Pixels()[1] = 1;
    TGIFSubImage& next = AddFrame(image, 0, 0, static_cast<int>(second.size()), 1);
    std::copy(second.begin(), second.end(), next.Pixels());
    auto control = std::make_unique<TGIFGraphicControlExtension>(next);
    control->SetTransparent(true);
    control->SetTransparentIndex(second.back());
    next.Extensions().Add(std::move(control));
    image.Header.SetLogicalScreenWidth(2);  // adding a wider frame widened it
    return CommandLineTest::Write(name, SaveBytes(image));
  }
};

TEST_F(CompareCommandTest, SameShowsPassAndTheFirstDifferenceIsPrinted) {
  const std::string a = Write("a.gif", {2, 0});
  const std::string b = Write("b.gif", {2, 1, 1});  // wider, its extra pixels transparent
  const std::string c = Write("c.gif", {1, 0});
  std::string output;
  EXPECT_EQ(Run({"compare", a, b}, output), 0);
  EXPECT_EQ(output, "same\n");
  EXPECT_EQ(Run({"compare", a, c}, output), 1);
  EXPECT_EQ(output, a + " and " + c + " differ: picture 2 differs at pixel (0, 0): #FF0000 vs #FFFFFF\n");
}

TEST_F(CompareCommandTest, LoadFailuresAndUsageErrors) {
  const std::string a = Write("a.gif", {2, 0});
  const std::string bad = (dir / "bad.gif").string();
  std::ofstream(bad, std::ios::binary) << "GIF89a";
  std::string output;
  EXPECT_EQ(Run({"compare", a, bad}, output), 1);
  EXPECT_EQ(output, bad + ": error: Premature end of data\n");
  EXPECT_EQ(Run({"compare", (dir / "missing.gif").string(), a}, output), 1);
  EXPECT_NE(output.find("missing.gif: error: Cannot open file"), std::string::npos) << output;
  EXPECT_EQ(Run({"compare", a}, output), 2);
  EXPECT_EQ(Run({"compare", a, a, a}, output), 2);
  EXPECT_NE(output.find("Usage:"), std::string::npos) << output;
}

}  // namespace
}  // namespace lumvane::test
