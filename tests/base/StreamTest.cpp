#include <gtest/gtest.h>

#include "base/Errors.h"
#include "base/StreamHelpers.h"
#include "support/GifBytes.h"

namespace lumvane::test {
namespace {

TEST(StreamHelpers, WriteLinesSplitsLongLinesAndWritesNothingForEmptyOnes) {
  TMemoryStream stream;
  WriteLines(stream, {"ab", ""});
  EXPECT_EQ(stream.Bytes(), (Bytes{2, 'a', 'b', 0}));

  TMemoryStream longLine;
  WriteLines(longLine, {std::string(600, 'x')});
  const Bytes& bytes = longLine.Bytes();
  ASSERT_EQ(bytes.size(), 600u + 4u);
  EXPECT_EQ(bytes[0], 255);
  EXPECT_EQ(bytes[256], 255);
  EXPECT_EQ(bytes[512], 90);
  EXPECT_EQ(bytes.back(), 0);

  // Each sub-block comes back as a line of its own.
  longLine.SetPosition(0);
  TLines lines;
  ReadLines(longLine, lines);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], std::string(90, 'x'));
}

TEST(StreamHelpers, ReadLinesKeepsZeroBytesInsideASubBlockAndStopsAtTheEnd) {
  TMemoryStream stream(Bytes{3, 'a', 0, 'b', 1, 'c'});  // no terminator: the data just ends
  TLines lines;
  ReadLines(stream, lines);
  EXPECT_EQ(lines, (TLines{std::string("a\0b", 3), "c"}));
  // Lines without bytes still give the one sub-block that text blocks need.
  for (const TLines& none : {TLines{}, TLines{"", ""}}) {
    TMemoryStream written;
    WriteLines(written, none);
    EXPECT_EQ(written.Bytes(), (Bytes{1, 0, 0}));
  }

  TMemoryStream truncated(Bytes{5, 'a'});
  EXPECT_THROW(ReadLines(truncated, lines), GIFException);
}

TEST(StreamHelpers, ReadByteYieldsZeroAtTheEndAndReadExactFailsShort) {
  TMemoryStream stream(Bytes{7});
  EXPECT_EQ(ReadByte(stream), 7);
  EXPECT_EQ(ReadByte(stream), 0);
  std::uint8_t buffer[2];
  stream.SetPosition(0);
  try {
    ReadExact(stream, buffer, 2);
    ADD_FAILURE();
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Premature end of data");
  }
}

TEST(MemoryStream, SeeksAreClampedAndWritesOverwriteThenExtend) {
  TMemoryStream stream(Bytes{1, 2, 3});
  EXPECT_EQ(stream.Seek(10, TSeekOrigin::Current), 3);
  EXPECT_EQ(stream.Seek(-10, TSeekOrigin::End), 0);
  stream.SetPosition(2);
  const std::uint8_t more[] = {8, 9};
  stream.WriteBuffer(more, 2);
  EXPECT_EQ(stream.Bytes(), (Bytes{1, 2, 8, 9}));
}

}  // namespace
}  // namespace lumvane::test
