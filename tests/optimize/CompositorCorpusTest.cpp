#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "optimize/Compositor.h"
#include "support/Corpus.h"
#include "support/GifBytes.h"
#include "support/Giflib.h"
#include "support/GiflibCompositor.h"

namespace lumvane::test {
namespace {

// The first point where our compositor over our document and the giflib-based one over
// giflib's reading disagree; empty when they show the same pictures, times and loop count.
std::string FirstDisagreement(const TGIFImage& ours, const GiflibFile& theirs) {
  TCompositor compositor(ours);
  GiflibCompositor peer(theirs);
  const auto size = [](int width, int height) { return std::to_string(width) + " x " + std::to_string(height); };
  if (compositor.Width() != peer.Width() || compositor.Height() != peer.Height())
    return "canvas " + size(compositor.Width(), compositor.Height()) + " vs " + size(peer.Width(), peer.Height());
  TPicture picture;
  GiflibPicture expected;
  for (int number = 1;; ++number) {
    const bool more = compositor.Next(picture);
    if (more != peer.Next(expected)) return "picture " + std::to_string(number) + " only on one side";
    if (!more) break;
    if (picture.Width != peer.Width() || picture.Height != peer.Height())
      return "picture " + std::to_string(number) + " is " + size(picture.Width, picture.Height);
    const auto [at, other] = std::mismatch(picture.Pixels.begin(), picture.Pixels.end(), expected.Pixels.begin());
    if (at != picture.Pixels.end())
      return "picture " + std::to_string(number) + " differs at pixel " + std::to_string(at - picture.Pixels.begin());
    if (picture.Time != expected.Time)
      return "picture " + std::to_string(number) + " time " + std::to_string(picture.Time) + " vs " +
             std::to_string(expected.Time);
  }
  if (compositor.LoopCount() != peer.LoopCount())
    return "loop count " + std::to_string(compositor.LoopCount()) + " vs " + std::to_string(peer.LoopCount());
  return "";
}

struct OurShow {
  int Pictures = 0;
  int OpaquePixels = 0;  // of the last picture
  bool operator==(const OurShow&) const = default;
};

OurShow Summary(const TGIFImage& image) {
  TCompositor compositor(image);
  OurShow show;
  TPicture picture;
  while (compositor.Next(picture)) {
    ++show.Pictures;
    show.OpaquePixels = static_cast<int>(std::count_if(picture.Pixels.begin(), picture.Pixels.end(),
                                                       [](std::uint32_t pixel) { return pixel != 0; }));
  }
  return show;
}

// The files giflib refuses, and what we show of them instead: nothing for a file without an
// image; a whole 2 × 2 frame where pixel data is missing or short (the pixels not decoded
// keep index 0); and a whole 2 × 2 frame for the zero-width one, which our reader gives the
// screen's size.
const std::map<std::string, OurShow> kGiflibRefuses = {
  {"artificial-gif_no-frames.gif", {0, 0}},
  {"artificial-gif_pixel-data-none.gif", {1, 4}},
  {"artificial-gif_pixel-data-not-enough.gif", {1, 4}},
  {"artificial-gif_zero-width-frame.gif", {1, 4}},
};

TEST(CompositorCorpus, ShowsWhatGiflibShows) {
  LUMVANE_REQUIRE_CORPUS();
  std::size_t refused = 0;
  for (const char* folder : {"animated", "format", "transparent"}) {
    for (const std::string& path : CorpusFiles(folder)) {
      SCOPED_TRACE(path);
      const Bytes bytes = ReadFileBytes(path);
      const Loaded ours = LoadBytes(bytes);
      ASSERT_EQ(ours.Error, "");
      std::string peerError;
      const std::optional<GiflibFile> theirs = GiflibRead(bytes, &peerError);
      if (!theirs) {
        const auto expected = kGiflibRefuses.find(BaseName(path));
        ASSERT_NE(expected, kGiflibRefuses.end()) << "giflib: " << peerError;
        EXPECT_EQ(Summary(*ours.Image), expected->second);
        ++refused;
        continue;
      }
      EXPECT_EQ(FirstDisagreement(*ours.Image, *theirs), "");
    }
  }
  EXPECT_EQ(refused, kGiflibRefuses.size());
}

}  // namespace
}  // namespace lumvane::test
