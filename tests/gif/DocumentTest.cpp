#include <gtest/gtest.h>

#include "base/Errors.h"
#include "gif/GIFTextExtensions.h"
#include "support/GifBytes.h"

namespace lumvane::test {
namespace {

const Bytes kFrame = ImageDescriptor(0, 0, 1, 1) + ImageData(2, PackCodes({{4, 3}, {1, 3}, {5, 3}}));

TEST(Document, TheBlockLoopToleratesAMissingTrailerAndZeroBytes) {
  const Loaded noTrailer = LoadBytes(ScreenHeader(1, 1) + kFrame);
  EXPECT_EQ(noTrailer.Error, "");
  EXPECT_TRUE(noTrailer.Warnings.empty());
  EXPECT_EQ(noTrailer.Image->Frames.Count(), 1);

  const Loaded zeros = LoadBytes(ScreenHeader(1, 1) + Bytes{0, 0} + kFrame + Bytes{0} + kFrame + Bytes{0x3B});
  EXPECT_EQ(zeros.Error, "");
  EXPECT_TRUE(zeros.Warnings.empty());
  EXPECT_EQ(zeros.Image->Frames.Count(), 2);
}

TEST(Document, NothingAfterTheTrailerIsRead) {
  const Bytes file = ScreenHeader(1, 1) + kFrame + Bytes{0x3B};
  const Loaded loaded = LoadBytes(file + Bytes{0x21, 0x02, 0xFF});
  EXPECT_EQ(loaded.Error, "");
  EXPECT_EQ(loaded.EndPosition, static_cast<std::int64_t>(file.size()));
}

TEST(Document, AnUnknownBlockEndsTheFramesWithTwoWarnings) {
  const Loaded loaded = LoadBytes(ScreenHeader(1, 1) + kFrame + Bytes{0x3A} + kFrame);
  EXPECT_EQ(loaded.Error, "");
  EXPECT_EQ(loaded.Image->Frames.Count(), 1);
  EXPECT_EQ(loaded.Warnings, (std::vector<std::string>{"Unknown GIF block type", "Invalid Image trailer"}));
}

TEST(Document, ExtensionsAfterTheLastImageFormAFrameOfTheirOwn) {
  const Bytes comment = {0x21, 0xFE, 2, 'h', 'i', 0};
  const Bytes file = ScreenHeader(1, 1) + kFrame + comment + Bytes{0x3B};
  const Loaded loaded = LoadBytes(file);
  ASSERT_EQ(loaded.Image->Frames.Count(), 2);
  EXPECT_TRUE(loaded.Image->Frames[1].IsEmpty());
  EXPECT_EQ(dynamic_cast<const TGIFCommentExtension&>(loaded.Image->Frames[1].Extensions()[0]).Lines,
            TLines{"hi"});
  // Saved in the same place, without an image descriptor.
  EXPECT_EQ(SaveBytes(*loaded.Image), ScreenHeader(1, 1) + kFrame + comment + Bytes{0x3B});
}

TEST(Document, AFailedLoadRewindsTheStreamAndKeepsTheFramesRead) {
  const Bytes before = {9, 9, 9};
  const Bytes file = ScreenHeader(1, 1) + kFrame + Bytes{0x21, 0xFF, 9} + Bytes(9, 'a') + Bytes{0};
  TMemoryStream stream(before + file);
  stream.SetPosition(3);
  TGIFImage image;
  EXPECT_THROW(image.LoadFromStream(stream), GIFException);
  EXPECT_EQ(stream.Position(), 3);
  EXPECT_EQ(image.Frames.Count(), 1);
}

TEST(Document, EmptyDocumentsHaveNoVersion) {
  TGIFImage image;
  EXPECT_TRUE(image.IsEmpty());
  EXPECT_EQ(image.Version(), VersionUnknown);
  const Loaded noFrames = LoadBytes(ScreenHeader(1, 1) + Bytes{0x3B});
  EXPECT_EQ(noFrames.Error, "");
  EXPECT_TRUE(noFrames.Image->IsEmpty());
}

TEST(Document, LoadingAndSavingReportProgress) {
  const Bytes file = ScreenHeader(1, 1) + kFrame + kFrame + Bytes{0x3B};
  ASSERT_EQ(file.size(), 19u + 15 + 15 + 1);
  TGIFImage image;
  std::vector<std::string> reports;
  image.OnProgress = [&](const TPersistent* sender, TProgressStage stage, int percent, bool redraw,
                         const TRect&, const std::string& message) {
    const char* who = sender == &image ? "image" : sender == &image.Frames ? "frames" : "?";
    reports.push_back(std::string(who) + " " + std::to_string(static_cast<int>(stage)) + " " +
                      std::to_string(percent) + (redraw ? " redraw " : " ") + message);
  };
  TMemoryStream in(file);
  image.LoadFromStream(in);
  EXPECT_EQ(reports, (std::vector<std::string>{
                         "image 0 0 Loading...", "frames 1 " + std::to_string(Percent(19 + 15, file.size())) + " Loading...",
                         "frames 1 " + std::to_string(Percent(19 + 30, file.size())) + " Loading...",
                         "image 2 100 redraw Loading..."}));
  reports.clear();
  SaveBytes(image);
  EXPECT_EQ(reports, (std::vector<std::string>{"image 0 0 Saving...", "frames 1 50 Saving...",
                                               "frames 1 100 Saving...", "image 2 100 redraw Saving..."}));
  reports.clear();
  TMemoryStream broken(Bytes{'G', 'I', 'F'});
  EXPECT_THROW(image.LoadFromStream(broken), GIFException);
  EXPECT_EQ(reports.back(), "image 2 0 redraw Loading...");
}

TEST(Document, PercentagesRoundHalvesUp) {
  EXPECT_EQ(Percent(1, 8), 13);   // 12.5
  EXPECT_EQ(Percent(1, 3), 33);   // 33.3
  EXPECT_EQ(Percent(2, 3), 67);   // 66.7
  EXPECT_EQ(Percent(3, 3), 100);
  EXPECT_EQ(Percent(std::int64_t{1} << 40, std::int64_t{1} << 41), 50);
}

}  // namespace
}  // namespace lumvane::test
