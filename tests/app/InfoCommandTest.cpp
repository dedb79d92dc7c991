#include "support/CommandLineTest.h"

namespace lumvane::test {
namespace {

using InfoCommandTest = CommandLineTest;

TEST_F(InfoCommandTest, DescribesFramesExtensionsAndWarnings) {
  const Bytes loop = Bytes{0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 5, 0, 0};
  const Bytes comment = {0x21, 0xFE, 5, 'h', 'e', 'l', 'l', 'o', 0};
  const Bytes unknown = {0x21, 0x99, 2, 'a', 'b', 0};
  const Bytes file = ScreenHeader(4, 3, 0x81) + loop + ControlBlock(0x09, 7, 2) + comment + unknown +
                     ImageDescriptor(1, 1, 3, 2, 0x40) + ImageData(2, PackCodes({{4, 3}, {1, 3}, {5, 3}})) +
                     Bytes{0x3A};
  std::string output;
  EXPECT_EQ(Run({"info", Write("a.gif", file)}, output), 0);
  for (const char* expected :
       {"version \"89a\"", "logical screen 4 x 3, global color table 4 colors, background index 0, aspect ratio 0",
        "frame 0: at 1,1, 3 x 2, interlaced, local color table none",
        "looping (NETSCAPE2.0): loop count 5",
        "graphic control: transparent index 2, disposal 2, delay 7, user input no",
        "comment, 1 line(s)", "\"hello\"", "unknown extension 0x99: 1 block(s) of 2 bytes",
        "warning: Unknown GIF block type (after frame 0)", "warning: Invalid Image trailer (after frame 0)"})
    EXPECT_NE(output.find(expected), std::string::npos) << expected << "\n" << output;
}

TEST_F(InfoCommandTest, AFailedFileIsReportedAndSetsTheExitStatus) {
  std::string output;
  const std::string good = Write("good.gif", ScreenHeader(1, 1) + ImageDescriptor(0, 0, 1, 1) +
                                                 ImageData(2, PackCodes({{5, 3}})));
  const std::string bad = Write("bad.gif", Bytes{'P', 'N', 'G', 0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(Run({"info", good, bad, (dir / "missing.gif").string()}, output), 1);
  EXPECT_NE(output.find("error: Invalid GIF signature"), std::string::npos) << output;
  EXPECT_NE(output.find("missing.gif\n  error: Cannot open file"), std::string::npos) << output;
  EXPECT_EQ(Run({"info", good}, output), 0);
}

TEST_F(InfoCommandTest, UsageErrorsExitWithTwo) {
  std::string output;
  EXPECT_EQ(Run({}, output), 2);
  EXPECT_EQ(Run({"info"}, output), 2);
  EXPECT_EQ(Run({"frobnicate", "x"}, output), 2);
  EXPECT_NE(output.find("Usage: lumvane"), std::string::npos);
}

}  // namespace
}  // namespace lumvane::test
