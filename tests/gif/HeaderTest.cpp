#include <gtest/gtest.h>

#include "base/Errors.h"
#include "support/GifBytes.h"

namespace lumvane::test {
namespace {

// One 1 × 1 frame with pixel 1 after the given header bytes.
Bytes WithOnePixel(const Bytes& header) {
  return header + ImageDescriptor(0, 0, 1, 1) + ImageData(2, PackCodes({{4, 3}, {1, 3}, {5, 3}})) + Bytes{0x3B};
}

TEST(Header, SignatureCaseAndUnknownVersionsAreAccepted) {
  Bytes bytes = WithOnePixel(ScreenHeader(1, 1, 0x80, "90z"));
  bytes[0] = 'g';
  bytes[1] = 'i';
  bytes[2] = 'f';
  const Loaded loaded = LoadBytes(bytes);
  ASSERT_EQ(loaded.Error, "");
  EXPECT_EQ(loaded.Image->Frames[0].PixelAt(0, 0), 1);
  // Written back with the version its content needs.
  const Bytes saved = SaveBytes(*loaded.Image);
  EXPECT_EQ(std::string(saved.begin(), saved.begin() + 6), "GIF87a");
}

TEST(Header, AFourBytePrefixIsSkippedAndAnythingElseIsRejected) {
  const Bytes plain = WithOnePixel(ScreenHeader(1, 1));
  const Loaded prefixed = LoadBytes(Bytes{'x', 'y', 'z', 'w'} + plain);
  ASSERT_EQ(prefixed.Error, "");
  EXPECT_EQ(prefixed.EndPosition, static_cast<std::int64_t>(plain.size()) + 4);

  const Loaded five = LoadBytes(Bytes{1, 2, 3, 4, 5} + plain);
  EXPECT_EQ(five.Error, "Invalid GIF signature");
  EXPECT_EQ(five.EndPosition, 0);
  EXPECT_EQ(LoadBytes(Bytes{'G', 'I', 'F'}).Error, "Premature end of data");
}

TEST(Header, TableSizeComesFromTheFlags) {
  const Loaded big = LoadBytes(WithOnePixel(ScreenHeader(1, 1, 0xF7)));
  ASSERT_EQ(big.Error, "");
  EXPECT_EQ(big.Image->Header.GlobalColorMap().Count(), 256);
  const Loaded small = LoadBytes(WithOnePixel(ScreenHeader(1, 1, 0x80)));
  EXPECT_EQ(small.Image->Header.GlobalColorMap().Count(), 2);
  // A table cut short fails the load.
  Bytes cut = ScreenHeader(1, 1, 0x83);
  cut.resize(cut.size() - 1);
  EXPECT_EQ(LoadBytes(cut).Error, "Premature end of data");
}

TEST(Header, FlagsAreDerivedFromTheMapsOnSave) {
  TGIFImage image;
  for (int i = 0; i < 5; ++i) image.Header.GlobalColorMap().AddColor(0x101010 * (i + 1));
  AddFrame(image, 0, 0, 1, 1);
  const Bytes fiveColors = SaveBytes(image);
  EXPECT_EQ(fiveColors[10], 0x80 | 0x20 | 0x02);
  EXPECT_EQ(fiveColors.size(), 13u + 8 * 3 + 10 + 5 + 1);
  EXPECT_EQ(Bytes(fiveColors.begin() + 13 + 15, fiveColors.begin() + 13 + 24), Bytes(9, 0));

  TGIFImage mixed;
  for (int i = 0; i < 4; ++i) mixed.Header.GlobalColorMap().AddColor(i);
  TGIFSubImage& frame = AddFrame(mixed, 0, 0, 1, 1);
  for (int i = 0; i < 256; ++i) frame.LocalColorMap().AddColor(i);
  EXPECT_EQ(SaveBytes(mixed)[10], 0x80 | 0x70 | 0x01);

  TGIFImage localOnly;
  TGIFSubImage& local = AddFrame(localOnly, 0, 0, 1, 1);
  for (int i = 0; i < 16; ++i) local.LocalColorMap().AddColor(i);
  EXPECT_EQ(SaveBytes(localOnly)[10], 0x33);
}

TEST(Header, CopyingAColorMapClearsTheScreenAndTakesTheMap) {
  const Loaded loaded = LoadBytes(WithOnePixel(ScreenHeader(1, 1, 0x80)));
  ASSERT_EQ(loaded.Error, "");
  TGIFHeader& header = loaded.Image->Header;
  TGIFSubImage& frame = loaded.Image->Frames[0];
  for (TColor c : {0x112233u, 0x445566u, 0x778899u}) frame.LocalColorMap().AddColor(c);
  header.SetBackgroundIndex(1);
  header.CopyFrom(frame.LocalColorMap());
  EXPECT_EQ(header.ScreenDescriptor, (std::array<std::uint8_t, 7>{}));
  ASSERT_EQ(header.GlobalColorMap().Count(), 3);
  EXPECT_EQ(header.GlobalColorMap().ColorAt(2), 0x778899u);
  header.CopyFrom(header.GlobalColorMap());  // its own map stays
  EXPECT_EQ(header.GlobalColorMap().Count(), 3);
}

TEST(Header, ADocumentWithoutFramesCannotBeSaved) {
  TGIFImage image;
  TMemoryStream stream;
  try {
    image.SaveToStream(stream);
    ADD_FAILURE();
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Unsupported GIF version");
  }
  EXPECT_EQ(stream.Size(), 0);
}

}  // namespace
}  // namespace lumvane::test
