#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "base/Errors.h"
#include "gfx/PictureSystem.h"
#include "gif/GIFImage.h"
#include "gif/GIFRegistration.h"
#include "support/CommandLineTest.h"

namespace lumvane::test {
namespace {

// Two pixels, 0 and 1, on a 2 x 1 screen.
const Bytes kGif = ScreenHeader(2, 1) + ImageDescriptor(0, 0, 2, 1) +
                   ImageData(2, PackCodes({{4, 3}, {0, 3}, {1, 3}, {5, 3}})) + Bytes{0x3B};

// A graphic that holds the bytes of its file.
class TRawGraphic : public TGraphic {
public:
  bool IsEmpty() const override { return Bytes.empty(); }
  int Width() const override { return static_cast<int>(Bytes.size()); }
  int Height() const override { return 1; }
  void LoadFromStream(TStream& stream) override {
    Bytes.resize(static_cast<std::size_t>(stream.Remaining()));
    stream.Read(Bytes.data(), Bytes.size());
  }
  void SaveToStream(TStream& stream) override { stream.WriteBuffer(Bytes.data(), Bytes.size()); }
  void Draw(TCanvas&, const TRect&) override {}

  test::Bytes Bytes;
};

std::unique_ptr<TGraphic> MakeRaw() { return std::make_unique<TRawGraphic>(); }

// Withdraws a test's registration, and brings the GIF document's back, however the test ends.
struct TRegistrationGuard {
  std::string Extension;
  ~TRegistrationGuard() {
    UnregisterGraphicClass(Extension);
    RegisterGraphicClass("GIF", "GIF Image", [] { return std::make_unique<TGIFImage>(); });
  }
};

bool HasFormat(const std::string& extension, const std::string& description) {
  for (const TGraphicFileFormat& format : GraphicFileFormats())
    if (format.Extension == extension && format.Description == description) return true;
  return false;
}

TEST(PictureSystem, GifDocumentIsRegisteredAtStartUp) {
  EXPECT_TRUE(GIFImageRegistered());
  EXPECT_TRUE(HasFormat("GIF", "GIF Image"));
  EXPECT_NE(dynamic_cast<TGIFImage*>(CreateGraphicFor("dir.d/picture.gif").get()), nullptr);
  // Nothing for names without an extension or with an unregistered one.
  for (const std::string path : {"gif", "picture.", "dir.gif/picture", ".gif", "picture.gif.xyz"})
    EXPECT_EQ(CreateGraphicFor(path), nullptr) << path;
}

TEST(PictureSystem, ExtensionsMatchInAnyCase) {
  const TRegistrationGuard guard{"raw"};
  RegisterGraphicClass("raw", "Raw bytes", MakeRaw);
  for (const std::string path : {"a.gif", "a.GIF", "a.GiF"})
    EXPECT_NE(dynamic_cast<TGIFImage*>(CreateGraphicFor(path).get()), nullptr) << path;
  for (const std::string path : {"a.raw", "a.RAW", "a.rAw"})
    EXPECT_NE(dynamic_cast<TRawGraphic*>(CreateGraphicFor(path).get()), nullptr) << path;
  // Registering again in another case replaces the class; the listing keeps one entry.
  RegisterGraphicClass("RAW", "Raw file", [] { return std::make_unique<TGIFImage>(); });
  EXPECT_NE(dynamic_cast<TGIFImage*>(CreateGraphicFor("a.raw").get()), nullptr);
  EXPECT_TRUE(HasFormat("RAW", "Raw file"));
  EXPECT_FALSE(HasFormat("raw", "Raw bytes"));
}

TEST(PictureSystem, UnregisterAndRegisterAgain) {
  const TRegistrationGuard guard{"GIF"};
  UnregisterGraphicClass("gif");
  // Lookups do not bring the library's registration back once it was withdrawn.
  EXPECT_EQ(CreateGraphicFor("a.gif"), nullptr);
  EXPECT_FALSE(GIFImageRegistered());
  RegisterGIFImage();
  EXPECT_FALSE(GIFImageRegistered());
  EXPECT_FALSE(HasFormat("GIF", "GIF Image"));
  UnregisterGraphicClass("gif");  // nothing left to withdraw

  RegisterGraphicClass("Gif", "GIF Image", [] { return std::make_unique<TGIFImage>(); });
  EXPECT_TRUE(GIFImageRegistered());
  EXPECT_TRUE(HasFormat("Gif", "GIF Image"));
}

TEST(PictureSystem, RejectsRegistrationsThatCouldNeverBeUsed) {
  EXPECT_THROW(RegisterGraphicClass("", "Nothing", MakeRaw), std::invalid_argument);
  EXPECT_THROW(RegisterGraphicClass(".raw", "Dotted", MakeRaw), std::invalid_argument);
  EXPECT_THROW(RegisterGraphicClass("tar.gz", "Two parts", MakeRaw), std::invalid_argument);
  EXPECT_THROW(RegisterGraphicClass("raw", "No class", nullptr), std::invalid_argument);
  EXPECT_EQ(CreateGraphicFor("a.raw"), nullptr);
  EXPECT_TRUE(GIFImageRegistered());
}

TEST(PictureSystem, ConcurrentRegistrationsAndLookups) {
  const TRegistrationGuard guard{"raw"};
  std::atomic<bool> sawWrongClass = false;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t, &sawWrongClass] {
      for (int i = 0; i < 200; ++i) {
        if (t % 2 == 0) {
          RegisterGraphicClass("raw", "Raw bytes", MakeRaw);
          UnregisterGraphicClass("RAW");
        } else {
          const std::unique_ptr<TGraphic> raw = CreateGraphicFor("a.raw");
          if (raw && !dynamic_cast<TRawGraphic*>(raw.get())) sawWrongClass = true;
          if (!dynamic_cast<TGIFImage*>(CreateGraphicFor("a.gif").get())) sawWrongClass = true;
          GraphicFileFormats();
        }
      }
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_FALSE(sawWrongClass);
}

class PictureContainerTest : public CommandLineTest {
protected:
  TPictureContainer picture;
  int changes = 0;
  void SetUp() override {
    CommandLineTest::SetUp();
    picture.OnChange = [this] { ++changes; };
  }
  // The message of the error loading the file fails with, of the expected class.
  template <class Error>
  std::string LoadError(const std::string& path) {
    try {
      picture.LoadFromFile(path);
    } catch (const Error& error) {
      return error.what();
    }
    return "(no error)";
  }
};

TEST_F(PictureContainerTest, LoadsGifFilesAsGifDocuments) {
  EXPECT_EQ(picture.Graphic(), nullptr);
  picture.LoadFromFile(Write("first.GIF", kGif));
  const auto* image = dynamic_cast<TGIFImage*>(picture.Graphic());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->Width(), 2);
  EXPECT_EQ(image->Height(), 1);
  EXPECT_EQ(image->Frames.Count(), 1);
  EXPECT_EQ(changes, 1);

  // A second load replaces the picture.
  picture.LoadFromFile(Write("second.gif", ScreenHeader(3, 4) + Bytes{0x3B}));
  ASSERT_NE(picture.Graphic(), image);
  EXPECT_EQ(picture.Graphic()->Width(), 3);
  EXPECT_TRUE(picture.Graphic()->IsEmpty());
  EXPECT_EQ(changes, 2);

  picture.Clear();
  EXPECT_EQ(picture.Graphic(), nullptr);
  EXPECT_EQ(changes, 3);
}

TEST_F(PictureContainerTest, FailedLoadsKeepThePreviousPictureAndSayWhy) {
  picture.LoadFromFile(Write("good.gif", kGif));
  const TGraphic* good = picture.Graphic();
  ASSERT_NE(good, nullptr);
  ASSERT_EQ(changes, 1);

  Bytes broken = kGif;
  broken[2] = 'X';
  EXPECT_EQ(LoadError<GIFException>(Write("broken.gif", broken)), "Invalid GIF signature");
  const Bytes cut(kGif.begin(), kGif.begin() + 8);  // inside the screen descriptor
  EXPECT_EQ(LoadError<GIFException>(Write("cut.gif", cut)), "Premature end of data");
  EXPECT_NE(LoadError<EFOpenError>((dir / "missing.gif").string()), "(no error)");
  EXPECT_EQ(LoadError<EInvalidGraphic>(Write("picture.xyz", kGif)), "Unknown picture file extension (.xyz)");
  EXPECT_EQ(LoadError<EInvalidGraphic>(Write("picture", kGif)), "Unknown picture file extension ()");

  EXPECT_EQ(picture.Graphic(), good);
  EXPECT_EQ(picture.Graphic()->Width(), 2);
  EXPECT_EQ(changes, 1);
}

TEST_F(PictureContainerTest, LoadsThroughWhicheverClassIsRegistered) {
  const TRegistrationGuard guard{"raw"};
  RegisterGraphicClass("raw", "Raw bytes", MakeRaw);
  picture.LoadFromFile(Write("bytes.RAW", Bytes{1, 2, 3}));
  const auto* raw = dynamic_cast<TRawGraphic*>(picture.Graphic());
  ASSERT_NE(raw, nullptr);
  EXPECT_EQ(raw->Bytes, (Bytes{1, 2, 3}));

  UnregisterGraphicClass("GIF");
  EXPECT_EQ(LoadError<EInvalidGraphic>(Write("picture.gif", kGif)), "Unknown picture file extension (.gif)");
  EXPECT_EQ(picture.Graphic(), raw);
  EXPECT_EQ(changes, 1);
}

}  // namespace
}  // namespace lumvane::test
