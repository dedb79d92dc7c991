#include <gtest/gtest.h>

#include "base/Errors.h"
#include "gif/GIFApplicationExtensions.h"
#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFTextExtensions.h"
#include "support/GifBytes.h"
#include "support/Giflib.h"

namespace lumvane::test {
namespace {

Bytes Written(TGIFExtension& extension) {
  TMemoryStream stream;
  extension.SaveToStream(stream);
  return stream.Bytes();
}

Bytes Identity(const char (&text)[12]) { return Bytes(text, text + 11); }

// A 1 × 1 image after the given blocks, in a file with a two-color table.
Bytes FileWith(const Bytes& blocks) {
  return ScreenHeader(1, 1) + blocks + ImageDescriptor(0, 0, 1, 1) +
         ImageData(2, PackCodes({{4, 3}, {1, 3}, {5, 3}})) + Bytes{0x3B};
}

struct ExtensionTest : ::testing::Test {
  TGIFImage image;
  TGIFSubImage& frame = AddFrame(image, 0, 0, 1, 1);
};

TEST_F(ExtensionTest, GraphicControlLayoutAndFlags) {
  TGIFGraphicControlExtension control(frame);
  EXPECT_EQ(Written(control), (Bytes{0x21, 0xF9, 4, 0, 0, 0, 0, 0}));
  EXPECT_EQ(frame.ControlExtension, &control);

  control.ControlBlock[1] = 0xE0;  // reserved bits stay as they are
  control.SetDisposal(2);
  control.SetTransparent(true);
  EXPECT_EQ(control.ControlFlags(), 0xE9);
  EXPECT_TRUE(frame.IsTransparent);
  control.SetDisposal(3);
  EXPECT_EQ(control.ControlFlags(), 0xED);
  control.SetDisposal(9);  // only the low three bits are stored
  EXPECT_EQ(control.Disposal(), 1);
  control.SetDelay(10);
  EXPECT_EQ(Written(control)[4], 0x0A);
  EXPECT_EQ(Written(control)[5], 0x00);
}

TEST_F(ExtensionTest, TransparentIndexMustBeInTheColorMap) {
  std::vector<std::string> warnings;
  image.WarningHandler = [&](const TPersistent*, int, const std::string& m) { warnings.push_back(m); };
  TGIFGraphicControlExtension control(frame);
  control.SetTransparentIndex(200);  // no map at all: anything goes
  EXPECT_EQ(control.TransparentIndex(), 200);
  for (int i = 0; i < 16; ++i) frame.LocalColorMap().AddColor(i);
  control.SetTransparentIndex(200);
  EXPECT_EQ(control.TransparentIndex(), 0);
  EXPECT_EQ(warnings, std::vector<std::string>{"Invalid color index"});
}

TEST_F(ExtensionTest, DestroyingTheControlExtensionUpdatesTheFrame) {
  auto control = std::make_unique<TGIFGraphicControlExtension>(frame);
  control->SetTransparent(true);
  control.reset();
  EXPECT_FALSE(frame.IsTransparent);
  EXPECT_EQ(frame.ControlExtension, nullptr);
}

TEST_F(ExtensionTest, LoopingExtensionLayout) {
  TGIFAppExtNSLoop loop(frame);
  const Bytes head = Bytes{0x21, 0xFF, 0x0B} + Identity("NETSCAPE2.0");
  EXPECT_EQ(Written(loop), (head + Bytes{3, 1, 0, 0, 0}));
  loop.BufferBytes = 4096;
  EXPECT_EQ(Written(loop), (head + Bytes{3, 1, 0, 0, 5, 2, 0, 0x10, 0, 0, 0}));
}

TEST(Extensions, LoopingPayloadsAreParsedByTheLowBitsOfTheirId) {
  const auto loopOf = [](const Bytes& payload) {
    const Loaded loaded = LoadBytes(FileWith(Bytes{0x21, 0xFF, 0x0B} + Identity("NETSCAPE2.0") + payload));
    if (!loaded.Error.empty()) return loaded.Error;
    const auto& extension = *loaded.Image->Frames[0].Extensions().begin();
    return std::to_string(dynamic_cast<const TGIFAppExtNSLoop&>(*extension).LoopCount);
  };
  EXPECT_EQ(loopOf({3, 1, 5, 0, 0}), "5");
  EXPECT_EQ(loopOf({3, 9, 7, 0, 0}), "7");
  EXPECT_EQ(loopOf({2, 1, 5, 0}), "Invalid GIF data");
  EXPECT_EQ(loopOf({3, 2, 5, 0, 0}), "Invalid GIF data");
  EXPECT_EQ(loopOf({4, 3, 1, 1, 1, 3, 1, 9, 0, 0}), "9");  // other ids are skipped
}

TEST(Extensions, ALoopingBlockWithoutALoopCountIsWrittenBackWithoutOne) {
  const Bytes block = Bytes{0x21, 0xFF, 0x0B} + Identity("NETSCAPE2.0") + Bytes{5, 2, 0, 0x10, 0, 0, 0};
  const Loaded loaded = LoadBytes(FileWith(block));
  ASSERT_EQ(loaded.Error, "");
  TGIFExtension& extension = loaded.Image->Frames[0].Extensions()[0];
  EXPECT_FALSE(dynamic_cast<const TGIFAppExtNSLoop&>(extension).HasLoopCount);
  EXPECT_EQ(Written(extension), block);
}

TEST(Extensions, ApplicationBlocksAreRecognisedByTheirExactIdentity) {
  const Bytes animexts = Bytes{0x21, 0xFF, 0x0B} + Identity("ANIMEXTS1.0") + Bytes{3, 1, 2, 0, 0};
  const Bytes lower = Bytes{0x21, 0xFF, 0x0B} + Identity("netscape2.0") + Bytes{3, 1, 2, 0, 0};
  const Bytes foreign = Bytes{0x21, 0xFF, 0x0B} + Identity("XMP DataXMP") + Bytes{4, 1, 2, 3, 4, 2, 9, 9, 0};
  const Bytes shortId = Bytes{0x21, 0xFF, 0x0A} + Bytes(10, 'z') + Bytes{1, 7, 0};
  const std::vector<Bytes> blocks = {animexts, lower, foreign, shortId};
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const Bytes& block = blocks[i];
    const Bytes file = FileWith(block);
    const Loaded loaded = LoadBytes(file);
    ASSERT_EQ(loaded.Error, "");
    const TGIFExtension& extension = **loaded.Image->Frames[0].Extensions().begin();
    const bool isLoop = dynamic_cast<const TGIFAppExtNSLoop*>(&extension) != nullptr;
    EXPECT_EQ(isLoop, i == 0);
    // Written back as read.
    TMemoryStream stream;
    const_cast<TGIFExtension&>(extension).SaveToStream(stream);
    EXPECT_EQ(stream.Bytes(), block);
  }
}

TEST(Extensions, UnusableBlocksFailTheLoad) {
  EXPECT_EQ(LoadBytes(ScreenHeader(1, 1) + Bytes{0x21}).Error, "Unknown extension type");
  EXPECT_EQ(LoadBytes(FileWith(Bytes{0x21, 0xFF, 0x09} + Bytes(9, 'a') + Bytes{0})).Error,
            "Unsupported Application Extension block size");
  EXPECT_EQ(LoadBytes(FileWith(Bytes{0x21, 0xFF, 0x0C} + Bytes(12, 'a') + Bytes{0})).Error,
            "Unsupported Application Extension block size");
  EXPECT_EQ(LoadBytes(ScreenHeader(1, 1) + Bytes{0x21, 0x01, 12, 0, 0}).Error, "Premature end of data");
}

TEST(Extensions, UnknownLabelsAreKeptAsReadWithANoticeAndOptimizedAway) {
  const Bytes unknown = {0x21, 0x02, 3, 'a', 'b', 'c', 1, 0, 0};
  const Bytes file = FileWith(unknown);
  ASSERT_TRUE(GiflibRead(file));  // other readers skip it too
  TGIFImage image;
  std::vector<std::pair<int, std::string>> warnings;
  image.WarningHandler = [&](const TPersistent*, int severity, const std::string& message) {
    warnings.emplace_back(severity, message);
  };
  TMemoryStream stream(file);
  image.LoadFromStream(stream);
  EXPECT_EQ(warnings, (std::vector<std::pair<int, std::string>>{{kSeverityNotice, "Unknown extension type"}}));
  ASSERT_EQ(image.Frames[0].Extensions().Count(), 1);
  EXPECT_EQ(SaveBytes(image), file);
  image.OptimizeDocument(optRemoveRedundant, reduceNone, ditherNearest, 8);
  EXPECT_EQ(image.Frames[0].Extensions().Count(), 0);
}

TEST(Extensions, CommentsAreBytesAndAlwaysCarryASubBlock) {
  const Bytes nul = FileWith({0x21, 0xFE, 1, 0, 0});
  const Loaded loaded = LoadBytes(nul);
  ASSERT_EQ(loaded.Error, "");
  EXPECT_EQ(dynamic_cast<const TGIFCommentExtension&>(loaded.Image->Frames[0].Extensions()[0]).Lines,
            TLines{std::string(1, '\0')});
  EXPECT_EQ(SaveBytes(*loaded.Image), nul);
  // A comment without any data, which giflib refuses, is written so that it reads it.
  const Bytes empty = FileWith({0x21, 0xFE, 0});
  EXPECT_FALSE(GiflibRead(empty));
  EXPECT_EQ(SaveBytes(*LoadBytes(empty).Image), nul);
}

TEST(Extensions, ControlBlocksAndTheirPlaceInTheFrameList) {
  // Two control blocks before one image: both kept, in order; the first one rules.
  const Loaded two = LoadBytes(FileWith(ControlBlock(0, 20, 0) + ControlBlock(0, 30, 0)));
  ASSERT_EQ(two.Error, "");
  ASSERT_EQ(two.Image->Frames.Count(), 1);
  const TGIFSubImage& frame = two.Image->Frames[0];
  ASSERT_EQ(frame.Extensions().Count(), 2);
  EXPECT_EQ(frame.ControlExtension, &frame.Extensions()[0]);
  EXPECT_EQ(frame.ControlExtension->Delay(), 20);

  // A zero byte before the image: the control block stays in a frame without an image.
  const Loaded zero = LoadBytes(FileWith(ControlBlock(0, 20, 0) + Bytes{0}));
  ASSERT_EQ(zero.Error, "");
  EXPECT_EQ(zero.Warnings, std::vector<std::string>{"Invalid extension introducer"});
  ASSERT_EQ(zero.Image->Frames.Count(), 2);
  EXPECT_TRUE(zero.Image->Frames[0].IsEmpty());
  EXPECT_EQ(zero.Image->Frames[0].Extensions().Count(), 1);
  EXPECT_FALSE(zero.Image->Frames[1].IsEmpty());

  // A short control block is kept with what it holds.
  const Loaded cut = LoadBytes(ScreenHeader(1, 1) + Bytes{0x21, 0xF9, 4, 1});
  EXPECT_EQ(cut.Error, "");
  EXPECT_EQ(cut.Warnings, std::vector<std::string>{"Premature end of data"});
}

TEST(Extensions, TextAndCommentsRoundTrip) {
  const Bytes text = Bytes{0x21, 0x01, 12, 1, 0, 2, 0, 30, 0, 40, 0, 8, 16, 1, 0} + Bytes{5, 'h', 'e', 'l', 'l', 'o', 0};
  const Bytes comment = Bytes{0x21, 0xFE, 3, 'o', 'n', 'e', 3, 't', 'w', 'o', 0};
  const Bytes file = FileWith(text + comment);
  const Loaded loaded = LoadBytes(file);
  ASSERT_EQ(loaded.Error, "");
  const TGIFSubImage& frame = loaded.Image->Frames[0];
  const auto& plain = dynamic_cast<const TGIFTextExtension&>(frame.Extensions()[0]);
  EXPECT_EQ(plain.GridWidth(), 30);
  EXPECT_EQ(plain.CharCellHeight(), 16);
  EXPECT_EQ(plain.Lines, TLines{"hello"});
  EXPECT_EQ(dynamic_cast<const TGIFCommentExtension&>(frame.Extensions()[1]).Lines, (TLines{"one", "two"}));
  EXPECT_EQ(SaveBytes(*loaded.Image), file);
}

}  // namespace
}  // namespace lumvane::test
