// Writes the seed inputs of the fuzz targets into a folder: every file of a GIF corpus,
// those that exceed the seed budgets cut down to it (the screen cropped, frames past the
// pixel budget dropped) and saved again as valid GIFs, and generated files of the shapes
// that cost the library most or that it once misread: huge screens with tiny frames, many
// frames, many control blocks before one image, frames declaring the largest size, comments
// holding NUL bytes and an extension label no reader knows.
//
// fuzz_seeds OUTPUT_FOLDER [CORPUS_FOLDER]

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "fuzz/FuzzBudget.h"
#include "fuzz/FuzzInput.h"
#include "gif/GIFImage.h"

using namespace lumvane;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A corpus file larger than this, or declaring more pixels than the budgets below, is cut.
constexpr std::size_t kSeedBytes = 8192;
constexpr int kSeedSide = 64;                      // the cut screen's widest side
constexpr std::int64_t kSeedFramePixels = 16384;   // the cut file's frames together

void Append(Bytes& bytes, std::initializer_list<int> values) {
  for (const int value : values) bytes.push_back(static_cast<std::uint8_t>(value));
}

void AppendLE16(Bytes& bytes, int value) { Append(bytes, {value & 0xFF, value >> 8 & 0xFF}); }

// GIF89a header with a two-color global table (black, white).
Bytes Screen(int width, int height) {
  Bytes bytes{'G', 'I', 'F', '8', '9', 'a'};
  AppendLE16(bytes, width);
  AppendLE16(bytes, height);
  Append(bytes, {0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF});
  return bytes;
}

// An image of width × height whose data holds one pixel of color 1 (clear, 1, end at
// 3 bits); any further pixels are missing, which the reader fills.
void AppendFrame(Bytes& bytes, int left, int top, int width, int height) {
  Append(bytes, {0x2C});
  for (const int value : {left, top, width, height}) AppendLE16(bytes, value);
  Append(bytes, {0x00, 0x02, 0x02, 0x4C, 0x01, 0x00});
}

// Graphic control block: disposal 1, the given delay, transparent index 0 when asked.
void AppendControl(Bytes& bytes, int delay, bool transparent = false) {
  Append(bytes, {0x21, 0xF9, 0x04, transparent ? 0x05 : 0x04});
  AppendLE16(bytes, delay);
  Append(bytes, {0x00, 0x00});
}

void AppendTrailer(Bytes& bytes) { Append(bytes, {0x3B}); }

void WriteFile(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// The generated shapes.
void WriteGenerated(const fs::path& folder) {
  const auto tiny = [](int screenSide, int frames, bool controlled) {
    Bytes bytes = Screen(screenSide, screenSide);
    for (int i = 0; i < frames; ++i) {
      if (controlled) AppendControl(bytes, i % 3);
      AppendFrame(bytes, i * 7 % screenSide, i * 13 % screenSide, 1, 1);
    }
    AppendTrailer(bytes);
    return bytes;
  };
  WriteFile(folder / "gen-huge-screen-20-pixels.gif", tiny(16384, 20, true));
  WriteFile(folder / "gen-1000-pixel-frames.gif", tiny(64, 1000, false));

  Bytes controls = Screen(8, 8);
  for (int i = 0; i < 2000; ++i) AppendControl(controls, i);
  AppendFrame(controls, 0, 0, 8, 8);
  AppendTrailer(controls);
  WriteFile(folder / "gen-2000-control-blocks.gif", controls);

  // Frames of the largest size a frame may have, holding one pixel of data each: more of
  // them than a document may hold, and a single one.
  for (const int frames : {1, 9}) {
    Bytes largest = Screen(16384, 16384);
    for (int i = 0; i < frames; ++i) AppendFrame(largest, 0, 0, 16384, 16384);
    AppendTrailer(largest);
    WriteFile(folder / ("gen-" + std::to_string(frames) + "-largest-frames.gif"), largest);
  }

  // A screen without width: the canvas holds no pixel.
  Bytes narrow = Screen(0, 8);
  AppendControl(narrow, 0, true);
  AppendFrame(narrow, 4, 2, 4, 4);
  AppendTrailer(narrow);
  WriteFile(folder / "gen-screen-without-width.gif", narrow);

  Bytes widest = Screen(65535, 65535);
  AppendFrame(widest, 65534, 65534, 1, 1);
  AppendTrailer(widest);
  WriteFile(folder / "gen-widest-screen.gif", widest);

  // Comments are bytes: one made of a single NUL, one with NULs inside.
  Bytes comments = Screen(4, 4);
  Append(comments, {0x21, 0xFE, 0x01, 0x00, 0x00});
  Append(comments, {0x21, 0xFE, 0x05, 'a', 0x00, 'b', 0x00, 'c', 0x00});
  AppendFrame(comments, 0, 0, 4, 4);
  AppendTrailer(comments);
  WriteFile(folder / "gen-comment-nul.gif", comments);

  Bytes unknown = Screen(4, 4);
  Append(unknown, {0x21, 0x99, 0x03, 0x01, 0x02, 0x03, 0x02, 0xAA, 0xBB, 0x00});
  AppendControl(unknown, 5);
  AppendFrame(unknown, 0, 0, 4, 4);
  Append(unknown, {0x21, 0x00, 0x00});
  AppendTrailer(unknown);
  WriteFile(folder / "gen-unknown-extension.gif", unknown);
}

// Crops the frame to the rows and columns left of width and above height: false when
// nothing of it is left.
bool CropFrame(TGIFSubImage& frame, int width, int height) {
  const TRect rect = frame.FrameRect();
  const int right = std::min(rect.Right, width), bottom = std::min(rect.Bottom, height);
  if (rect.Left >= right || rect.Top >= bottom) return false;
  if (right == rect.Right && bottom == rect.Bottom) return true;
  const int oldWidth = frame.FrameWidth(), newWidth = right - rect.Left;
  const std::uint8_t* pixels = frame.Pixels();
  Bytes kept;
  for (int y = 0; y < bottom - rect.Top; ++y)
    kept.insert(kept.end(), pixels + static_cast<std::ptrdiff_t>(y) * oldWidth,
                pixels + static_cast<std::ptrdiff_t>(y) * oldWidth + newWidth);
  frame.SetGeometry(rect.Left, rect.Top, newWidth, bottom - rect.Top);
  std::copy(kept.begin(), kept.end(), frame.Pixels());
  return true;
}

// The document cut to the seed budgets and saved again; empty when it does not load or
// cannot be saved (a damaged file, say).
Bytes CutToBudget(const Bytes& original) try {
  TGIFImage image;
  if (!fuzz::LoadInput(original.data(), original.size(), image)) return {};
  const int width = std::min(image.Width(), kSeedSide), height = std::min(image.Height(), kSeedSide);
  std::int64_t pixels = 0;
  for (int i = 0; i < image.Frames.Count();) {
    TGIFSubImage& frame = image.Frames[i];
    if (frame.IsEmpty() || !CropFrame(frame, width, height) || (pixels += frame.PixelCount()) > kSeedFramePixels) {
      image.Frames.Delete(i);
      continue;
    }
    ++i;
  }
  if (image.Frames.Count() == 0) return {};
  image.SetWidth(width);
  image.SetHeight(height);
  TMemoryStream saved;
  image.SaveToStream(saved);
  return saved.Bytes();
} catch (const std::exception&) {
  return {};
}

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every corpus file one folder down, named after its folder and name.
void WriteCorpus(const fs::path& corpus, const fs::path& folder) {
  for (const auto& group : fs::directory_iterator(corpus)) {
    if (!group.is_directory()) continue;
    for (const auto& entry : fs::directory_iterator(group.path())) {
      if (!entry.is_regular_file() || entry.path().filename() == "README.md") continue;
      const Bytes original = ReadFile(entry.path());
      const fuzz::TDeclaredSizes sizes = fuzz::DeclaredSizes(original.data(), original.size());
      const bool small = original.size() <= kSeedBytes && sizes.FramePixels <= kSeedFramePixels &&
                         sizes.Screen <= kSeedSide * kSeedSide;
      Bytes seed = small ? original : CutToBudget(original);
      // A file that is not cut is kept as it is, up to the seed length.
      if (seed.empty()) seed.assign(original.begin(), original.begin() + std::min(original.size(), kSeedBytes));
      WriteFile(folder / ("corpus-" + group.path().filename().string() + "-" + entry.path().filename().string()),
                seed);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: fuzz_seeds OUTPUT_FOLDER [CORPUS_FOLDER]\n");
    return 2;
  }
  try {
    const fs::path folder = argv[1];
    fs::create_directories(folder);
    WriteGenerated(folder);
    if (argc == 3) WriteCorpus(argv[2], folder);
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "fuzz_seeds: %s\n", error.what());
    return 1;
  }
}
