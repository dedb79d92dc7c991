#include <gtest/gtest.h>

#include "base/Errors.h"
#include "gif/GIFApplicationExtensions.h"
#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFTextExtensions.h"
#include "support/GifBytes.h"

namespace lumvane::test {
namespace {

constexpr TOptimizeOptionSet kAll = 31, kNoMerge = 29;

void Optimize(TGIFImage& image, TOptimizeOptionSet options = kAll) {
  image.OptimizeDocument(options, reduceNone, ditherNearest, 8);
}

TGIFGraphicControlExtension& Control(TGIFSubImage& frame, std::uint8_t disposal, int delay = 0,
                                     int transparentIndex = -1) {
  auto control = std::make_unique<TGIFGraphicControlExtension>(frame);
  control->SetDisposal(disposal);
  control->SetDelay(static_cast<std::uint16_t>(delay));
  if (transparentIndex >= 0) {
    control->SetTransparent(true);
    control->SetTransparentIndex(static_cast<std::uint8_t>(transparentIndex));
  }
  TGIFGraphicControlExtension& added = *control;
  frame.Extensions().Add(std::move(control));
  return added;
}

template <class T>
int CountOf(const TGIFSubImage& frame) {
  int n = 0;
  for (const auto& extension : frame.Extensions()) n += dynamic_cast<const T*>(extension.get()) != nullptr;
  return n;
}

struct OptimizerTest : ::testing::Test {
  TGIFImage image;
  void SetUp() override {
    for (int i = 0; i < 4; ++i) image.Header.GlobalColorMap().AddColor(0x404040u * i);
  }
  TGIFSubImage& Frame(int left, int top, int width, int height, std::uint8_t fill = 1) {
    TGIFSubImage& frame = AddFrame(image, left, top, width, height);
    std::fill(frame.Pixels(), frame.Pixels() + frame.PixelCount(), fill);
    return frame;
  }
};

TEST_F(OptimizerTest, ADocumentWithoutFramesIsLeftAloneSilently) {
  int reports = 0;
  image.OnProgress = [&](auto&&...) { ++reports; };
  Optimize(image);
  EXPECT_EQ(reports, 0);
  EXPECT_EQ(image.Header.GlobalColorMap().Count(), 4);
}

TEST_F(OptimizerTest, AOneFrameFileKeepsNoBlockThatCannotShow) {
  TGIFSubImage& frame = Frame(0, 0, 2, 2);
  frame.Extensions().Add(std::make_unique<TGIFAppExtNSLoop>(frame));
  frame.Extensions().Add(std::make_unique<TGIFCommentExtension>(frame));
  Control(frame, 2, 50);
  Optimize(image, kNoMerge);
  EXPECT_EQ(frame.Extensions().Count(), 0);
  EXPECT_EQ(image.Version(), Version87a);
  const Bytes saved = SaveBytes(image);
  EXPECT_EQ(std::string(saved.begin(), saved.begin() + 6), "GIF87a");

  // One frame is also what is left when a trailing frame without image goes.
  TGIFImage trailing;
  trailing.Header.GlobalColorMap().AddColor(0);
  TGIFSubImage& only = AddFrame(trailing, 0, 0, 2, 2);
  only.Extensions().Add(std::make_unique<TGIFAppExtNSLoop>(only));
  Control(only, 1, 50);
  TGIFSubImage& empty = trailing.Frames[trailing.Frames.Add(std::make_unique<TGIFSubImage>(&trailing))];
  empty.Extensions().Add(std::make_unique<TGIFCommentExtension>(empty));
  Optimize(trailing, kNoMerge);
  ASSERT_EQ(trailing.Frames.Count(), 1);
  EXPECT_EQ(trailing.Frames[0].Extensions().Count(), 0);
}

TEST_F(OptimizerTest, TheFirstLoopingBlockEndsUpOnFrameZero) {
  Frame(0, 0, 2, 2, 1);
  TGIFSubImage& second = Frame(0, 0, 2, 2, 2);
  Control(image.Frames[0], 1, 20);
  Control(second, 1, 20);
  auto loop = std::make_unique<TGIFAppExtNSLoop>(second);
  loop->LoopCount = 7;
  second.Extensions().Add(std::move(loop));
  second.Extensions().Add(std::make_unique<TGIFAppExtNSLoop>(second));
  Optimize(image);
  ASSERT_EQ(CountOf<TGIFAppExtNSLoop>(image.Frames[0]), 1);
  EXPECT_EQ(dynamic_cast<const TGIFAppExtNSLoop&>(image.Frames[0].Extensions()[0]).LoopCount, 7);
  EXPECT_EQ(CountOf<TGIFAppExtNSLoop>(image.Frames[1]), 0);
}

TEST_F(OptimizerTest, UnusedTransparencyGoesAndThenItsEmptyControlBlock) {
  TGIFSubImage& frame = Frame(0, 0, 2, 2, 1);
  Frame(0, 0, 2, 2, 2);
  Control(frame, 0, 0, 3);
  Optimize(image, kNoMerge);
  EXPECT_FALSE(frame.IsTransparent);
  EXPECT_EQ(frame.ControlExtension, nullptr);
}

TEST_F(OptimizerTest, ClearingIsDroppedOnlyWhenTheNextFrameCoversItOpaquely) {
  struct Case {
    int nextLeft, nextWidth;
    bool nextTransparent;
    std::uint8_t nextDisposal;
    std::uint8_t expected;
  };
  const std::vector<Case> cases = {
      {0, 4, false, 1, 0},  // covers it: the clearing cannot be seen
      {0, 3, false, 1, 2},  // only overlaps
      {0, 4, true, 1, 2},   // shows through
      {0, 4, false, 3, 2},  // goes back to the cleared canvas
      {0, 4, false, 4, 2},  // read as 3
  };
  for (const Case& c : cases) {
    TGIFImage doc;
    for (int i = 0; i < 4; ++i) doc.Header.GlobalColorMap().AddColor(0x404040u * i);
    TGIFSubImage& first = AddFrame(doc, 0, 0, 4, 1);
    TGIFSubImage& next = AddFrame(doc, c.nextLeft, 0, c.nextWidth, 1);
    std::fill(first.Pixels(), first.Pixels() + 4, 1);
    std::fill(next.Pixels(), next.Pixels() + next.PixelCount(), 2);
    Control(first, 2, 10);
    Control(next, c.nextDisposal, 10, c.nextTransparent ? 1 : -1);
    if (c.nextTransparent) next.Pixels()[0] = 1;
    doc.OptimizeDocument(optRemoveRedundant, reduceNone, ditherNearest, 8);
    EXPECT_EQ(first.ControlExtension->Disposal(), c.expected)
        << "next at " << c.nextLeft << " width " << c.nextWidth << " disposal " << int{c.nextDisposal};
  }
}

TEST_F(OptimizerTest, AWhollyTransparentFrameGivesItsDelayToTheFrameBeforeWhereTheSumReadsAlike) {
  // Browsers play delays 0 and 1 as 10, other viewers as written: a sum is the same for
  // both only when each delay is at least 2, and it must fit 16 bits.
  struct Case {
    int first, second;
    int frames, delay;  // frames left, delay of the first
  };
  for (const Case& c : {Case{4, 5, 2, 9}, Case{2, 2, 2, 4}, Case{0, 5, 3, 0}, Case{4, 1, 3, 4},
                        Case{65000, 60000, 3, 65000}}) {
    TGIFImage doc;
    for (int i = 0; i < 4; ++i) doc.Header.GlobalColorMap().AddColor(0x404040u * i);
    const auto frame = [&](std::uint8_t fill) -> TGIFSubImage& {
      TGIFSubImage& added = AddFrame(doc, 0, 0, 2, 2);
      std::fill_n(added.Pixels(), 4, fill);
      return added;
    };
    Control(frame(1), 1, c.first);
    Control(frame(3), 1, c.second, 3);
    Control(frame(2), 1, 20);
    Optimize(doc);
    ASSERT_EQ(doc.Frames.Count(), c.frames) << c.first << " + " << c.second;
    const auto delay = [&](int i) {
      const TGIFGraphicControlExtension* control = doc.Frames[i].ControlExtension;
      return control ? control->Delay() : 0;
    };
    EXPECT_EQ(delay(0), c.delay);
    if (c.frames == 3) {
      EXPECT_EQ(delay(1), c.second);  // kept, as one transparent pixel
    }
  }
}

TEST_F(OptimizerTest, AWhollyTransparentFrameStaysWhereItsTimeCannotMove) {
  // First frame (a spacer): the document keeps its only image.
  TGIFImage spacer;
  spacer.Header.GlobalColorMap().AddColor(0);
  spacer.Header.GlobalColorMap().AddColor(0xFFFFFF);
  TGIFSubImage& only = AddFrame(spacer, 0, 0, 3, 3);
  Control(only, 0, 0, 0);
  spacer.OptimizeDocument(kAll, reduceNone, ditherNearest, 8);
  ASSERT_EQ(spacer.Frames.Count(), 1);
  EXPECT_EQ(spacer.Frames[0].FrameWidth(), 1);
  EXPECT_TRUE(spacer.Frames[0].IsTransparent);
  EXPECT_NO_THROW(SaveBytes(spacer));

  // After a frame that is cleared, the cleared canvas is shown for the frame's time.
  Control(Frame(0, 0, 2, 2, 1), 2, 10);
  Control(Frame(0, 0, 2, 2, 3), 1, 30, 3);
  Optimize(image);
  ASSERT_EQ(image.Frames.Count(), 2);
  EXPECT_EQ(image.Frames[1].FrameWidth(), 1);
  EXPECT_EQ(image.Frames[1].ControlExtension->Delay(), 30);
}

TEST_F(OptimizerTest, FramesThatClearTheirAreaKeepTheirRectangle) {
  Control(Frame(0, 0, 4, 4, 1), 1, 10);
  TGIFSubImage& clearing = Frame(0, 0, 4, 4, 3);
  clearing.Pixels()[5] = 2;
  Control(clearing, 2, 10, 3);
  Optimize(image);
  EXPECT_EQ(image.Frames[1].FrameWidth(), 4);
  EXPECT_EQ(image.Frames[1].FrameHeight(), 4);
}

TEST_F(OptimizerTest, MergeAndCropReduceAFrameToWhatChanged) {
  Control(Frame(0, 0, 4, 4, 1), 1, 10);
  TGIFSubImage& next = Frame(0, 0, 4, 4, 1);
  next.RowAt(2)[1] = 2;
  Control(next, 1, 10);
  Optimize(image);
  const TGIFSubImage& result = image.Frames[1];
  EXPECT_EQ(result.FrameLeft(), 1);
  EXPECT_EQ(result.FrameTop(), 2);
  EXPECT_EQ(result.FrameWidth(), 1);
  EXPECT_EQ(result.FrameHeight(), 1);
}

TEST_F(OptimizerTest, OnlyTheLastOfSeveralControlBlocksCounts) {
  TGIFSubImage& frame = Frame(0, 0, 2, 2, 1);
  Frame(0, 0, 1, 1, 2);
  Control(frame, 0, 10, 1);  // transparent, but viewers use the block below
  Control(frame, 2, 40);
  Optimize(image, optRemoveRedundant);
  ASSERT_EQ(CountOf<TGIFGraphicControlExtension>(frame), 1);
  EXPECT_FALSE(frame.IsTransparent);
  EXPECT_EQ(frame.ControlExtension->Disposal(), 2);
  EXPECT_EQ(frame.ControlExtension->Delay(), 40);
}

TEST_F(OptimizerTest, AnInvalidReductionMethodIsRefusedOnlyWithoutRedundancyRemoval) {
  Frame(0, 0, 1, 1);
  EXPECT_NO_THROW(image.OptimizeDocument(kAll, reduceCustomPalette, ditherNearest, 8));
  try {
    image.OptimizeDocument(optReduceColors | optPackColorMaps, reduceCustomPalette, ditherNearest, 8);
    ADD_FAILURE();
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Invalid reduction method");
  }
}

TEST_F(OptimizerTest, ProgressEndsAt100WithTheOptimizingMessage) {
  Frame(0, 0, 2, 2);
  Frame(0, 0, 2, 2, 2);
  std::vector<std::pair<int, int>> reports;
  image.OnProgress = [&](const TPersistent*, TProgressStage stage, int percent, bool, const TRect&,
                         const std::string& message) {
    EXPECT_EQ(message, "Optimizing...");
    reports.emplace_back(static_cast<int>(stage), percent);
  };
  Optimize(image);
  ASSERT_GE(reports.size(), 3u);
  EXPECT_EQ(reports.front(), std::make_pair(0, 0));
  EXPECT_EQ(reports.back(), std::make_pair(2, 100));
  for (const auto& [stage, percent] : reports) EXPECT_LE(percent, 100);
}

TEST(DocumentCopy, IsDeepAndKeepsTheTargetsOwnSettings) {
  const Bytes file = ScreenHeader(3, 2, 0x81) + Bytes{0x21, 0xFE, 2, 'h', 'i', 0} + ControlBlock(0x09, 7, 2) +
                     ImageDescriptor(0, 0, 3, 2) + ImageData(2, PackCodes({{4, 3}, {1, 3}, {6, 3}, {1, 3}, {5, 4}})) +
                     Bytes{0x21, 0xFE, 1, 'z', 0, 0x3B};
  Loaded source = LoadBytes(file);
  ASSERT_EQ(source.Error, "");
  TGIFImage copy;
  copy.EncoderKind = encodeRLE;
  copy.ImportPaletteBits = 3;
  source.Image->PaintFlags = drawTransparent;
  source.Image->ImportDither = ditherSierra;
  int ownWarnings = 0;
  copy.WarningHandler = [&](auto&&...) { ++ownWarnings; };
  std::vector<std::string> messages;
  source.Image->OnProgress = [&](const TPersistent*, TProgressStage, int, bool, const TRect&, const std::string& m) {
    messages.push_back(m);
  };
  copy.CopyFrom(source.Image.get());
  EXPECT_EQ(messages.front(), "Copying...");
  EXPECT_EQ(copy.EncoderKind, encodeRLE);
  EXPECT_EQ(copy.ImportPaletteBits, 3);
  EXPECT_EQ(copy.PaintFlags, drawTransparent);
  EXPECT_EQ(copy.ImportDither, ditherSierra);
  ASSERT_EQ(copy.Frames.Count(), 2);
  EXPECT_EQ(copy.Frames[1].Extensions().Count(), 1);  // the imageless frame keeps its comment
  EXPECT_NE(copy.Frames[0].ControlExtension, source.Image->Frames[0].ControlExtension);
  EXPECT_TRUE(copy.Frames[0].IsTransparent);
  copy.EncoderKind = encodeLZW;
  EXPECT_EQ(SaveBytes(copy), SaveBytes(*source.Image));
  // The copy's warnings go to its own handler again.
  copy.Header.GlobalColorMap().ColorAt(99);
  EXPECT_EQ(ownWarnings, 1);

  copy.CopyFrom(&copy);
  EXPECT_EQ(copy.Frames.Count(), 2);
  copy.CopyFrom(nullptr);
  EXPECT_TRUE(copy.IsEmpty());
}

}  // namespace
}  // namespace lumvane::test
