#include <sys/stat.h>
#include <sys/xattr.h>

#include "app/FileOptimizer.h"
#include "gif/GIFGraphicControlExtension.h"
#include "optimize/Compositor.h"
#include "support/CommandLineTest.h"
#include "support/Corpus.h"

namespace lumvane::test {
namespace {

// Two 16 × 16 frames stored whole, the second differing in one pixel: merging and cropping
// shrink it a lot.
Bytes Unoptimized() {
  TGIFImage image;
  for (int i = 0; i < 4; ++i) image.Header.GlobalColorMap().AddColor(0x505050u * i);
  for (int f = 0; f < 2; ++f) {
    TGIFSubImage& frame = AddFrame(image, 0, 0, 16, 16);
    for (int i = 0; i < 256; ++i) frame.Pixels()[i] = static_cast<std::uint8_t>((i * 7 + i / 16) % 4);
    auto control = std::make_unique<TGIFGraphicControlExtension>(frame);
    control->SetDelay(20);
    control->SetDisposal(1);
    frame.Extensions().Add(std::move(control));
  }
  image.Frames[1].Pixels()[77] ^= 1;
  return SaveBytes(image);
}

using BatchTest = CommandLineTest;

TEST(BatchTexts, ReductionRoundsHalvesUpAndNeverGoesNegative) {
  EXPECT_EQ(ReductionText(1000, 995), "1%");
  EXPECT_EQ(ReductionText(1000, 996), "0%");
  EXPECT_EQ(ReductionText(1000, 1000), "0%");
  EXPECT_EQ(ReductionText(1000, 1200), "0%");
  EXPECT_EQ(ReductionText(3, 1), "67%");
  EXPECT_EQ(SavedBytesText(1234), "Saved 1234 Bytes");
}

TEST_F(BatchTest, OptimizeWritesASmallerFileThatShowsTheSameAndTestWritesNothing) {
  const Bytes original = Unoptimized();
  const std::string path = Write("a.gif", original);
  ASSERT_EQ(::chmod(path.c_str(), 0604), 0);
  TFileOptimizer optimizer;

  const TFileOutcome tested = optimizer.Process(path, false);
  EXPECT_FALSE(tested.Written);
  EXPECT_EQ(ReadFileBytes(path), original);
  EXPECT_EQ(tested.OriginalSize, static_cast<std::int64_t>(original.size()));
  ASSERT_LT(tested.OptimizedSize, tested.OriginalSize);
  EXPECT_EQ(tested.Saved, tested.OriginalSize - tested.OptimizedSize);
  EXPECT_EQ(tested.Reduction, ReductionText(tested.OriginalSize, tested.OptimizedSize));

  const TFileOutcome optimized = optimizer.Process(path, true);
  EXPECT_TRUE(optimized.Written);
  const Bytes result = ReadFileBytes(path);
  EXPECT_EQ(static_cast<std::int64_t>(result.size()), optimized.OptimizedSize);
  const Loaded before = LoadBytes(original), after = LoadBytes(result);
  EXPECT_TRUE(CompareShows(*before.Image, *after.Image).Same);
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0604u);

}

TEST_F(BatchTest, AnimationsClearedAfterEveryFrameAreRebuiltFromTheirPictures) {
  // Three 20 × 20 frames drawn whole and cleared, a square appearing in each: only frames
  // rebuilt from the pictures can be cropped to what changes.
  TGIFImage image;
  for (int i = 0; i < 4; ++i) image.Header.GlobalColorMap().AddColor(0x505050u * i);
  for (int f = 0; f < 3; ++f) {
    TGIFSubImage& frame = AddFrame(image, 0, 0, 20, 20);
    std::fill_n(frame.Pixels(), 400, 3);
    for (int s = 0; s <= f; ++s)
      for (int y = 2 + 6 * s; y < 6 + 6 * s; ++y) std::fill_n(frame.RowAt(y) + 2 + 5 * s, 4, s);
    auto control = std::make_unique<TGIFGraphicControlExtension>(frame);
    control->SetDelay(20);
    control->SetDisposal(2);
    control->SetTransparent(true);
    control->SetTransparentIndex(3);
    frame.Extensions().Add(std::move(control));
  }
  const Bytes original = SaveBytes(image);
  image.OptimizeDocument(0x1F, reduceNone, ditherNearest, 8);
  const std::int64_t optimizedAlone = static_cast<std::int64_t>(SaveBytes(image).size());

  const std::string path = Write("cleared.gif", original);
  TFileOptimizer optimizer;
  const TFileOutcome outcome = optimizer.Process(path, true);
  EXPECT_TRUE(outcome.Written);
  EXPECT_LT(outcome.OptimizedSize, optimizedAlone);
  const Loaded before = LoadBytes(original), after = LoadBytes(ReadFileBytes(path));
  EXPECT_EQ(CompareShows(*before.Image, *after.Image).Difference, "");
}

// Browsers play delays of 0 and 1 as 10, other viewers as written: frames that are not
// merged keep theirs, whichever candidate wins.
TEST_F(BatchTest, FramesKeepTheirDelaysAsWritten) {
  const std::vector<int> delays = {0, 1, 0, 5};
  TGIFImage image;
  for (int i = 0; i < 4; ++i) image.Header.GlobalColorMap().AddColor(0x505050u * i);
  for (int f = 0; f < 4; ++f) {
    TGIFSubImage& frame = AddFrame(image, 0, 0, 12, 12);
    std::fill_n(frame.Pixels(), 144, 3);
    std::fill_n(frame.RowAt(f * 3) + f, 5, f % 3);
    auto control = std::make_unique<TGIFGraphicControlExtension>(frame);
    control->SetDelay(static_cast<std::uint16_t>(delays[f]));
    control->SetDisposal(2);
    control->SetTransparent(true);
    control->SetTransparentIndex(3);
    frame.Extensions().Add(std::move(control));
  }
  const Bytes original = SaveBytes(image);
  for (const bool thorough : {false, true}) {
    const std::string path = Write("delays.gif", original);
    ASSERT_TRUE(TFileOptimizer(thorough).Process(path, true).Written);
    const Loaded after = LoadBytes(ReadFileBytes(path));
    std::vector<int> written;
    for (const auto& frame : after.Image->Frames)
      written.push_back(frame->ControlExtension ? frame->ControlExtension->Delay() : 0);
    EXPECT_EQ(written, delays) << (thorough ? "thorough" : "default");
  }
}

// A screen too large to composite: the pixel choice is left out and the file is kept as one
// whose result cannot be checked, not reported as failing.
TEST_F(BatchTest, AScreenTooLargeToCompositeFailsAsItselfAndIsKept) {
  Bytes original = Unoptimized();
  original[6] = original[7] = original[8] = original[9] = 0xFF;  // 65535 × 65535
  const std::string path = Write("huge.gif", original);
  for (const bool thorough : {false, true}) {
    const TFileOutcome outcome = TFileOptimizer(thorough).Process(path, true);
    EXPECT_TRUE(outcome.Failed);
    EXPECT_EQ(outcome.Message, "Image too large");
    EXPECT_EQ(ReadFileBytes(path), original);
  }
}

// Other readers skip an extension they do not know: the file is intact, not damaged.
TEST_F(BatchTest, AnUnknownExtensionIsNoDamage) {
  Bytes original = Unoptimized();
  const Bytes unknown = {0x21, 0x02, 1, 'x', 0};
  original.insert(original.begin() + 13 + 4 * 3, unknown.begin(), unknown.end());
  const std::string path = Write("unknown.gif", original);
  const TFileOutcome outcome = TFileOptimizer().Process(path, true);
  EXPECT_EQ(outcome.Message, "");
  EXPECT_TRUE(outcome.Written);
}

TEST_F(BatchTest, FailuresAndDamagedFilesAreReportedInTheRowAndLeftAlone) {
  TFileOptimizer optimizer;
  const std::string empty = Write("empty.gif", {});
  const TFileOutcome none = optimizer.Process(empty, true);
  EXPECT_TRUE(none.Failed);
  EXPECT_EQ(none.OriginalSize, 0);
  EXPECT_EQ(none.Message, "Premature end of data");

  const std::string png = Write("png.gif", Bytes{0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13});
  EXPECT_EQ(optimizer.Process(png, true).Message, "Invalid GIF signature");

  // Cut off inside the last sub-block of the second frame's data.
  Bytes cut = Unoptimized();
  cut.resize(cut.size() - 3);
  const std::string damaged = Write("damaged.gif", cut);
  const TFileOutcome kept = optimizer.Process(damaged, true);
  EXPECT_FALSE(kept.Failed);
  EXPECT_EQ(kept.Message, kDamagedText);
  EXPECT_EQ(kept.Saved, 0);
  EXPECT_EQ(ReadFileBytes(damaged), cut);

  EXPECT_THROW(optimizer.Process((dir / "missing.gif").string(), false), std::exception);
}

TEST_F(BatchTest, CommandsPrintTheTableAndTheTotal) {
  const Bytes original = Unoptimized();
  Write("b.gif", original);
  Write("sub/c.GIF", original);
  Write(".hidden.gif", original);
  Write("notes.txt", {1, 2, 3});
  std::string out, err;
  ASSERT_EQ(Run({"test", dir.string()}, out, &err), 0) << err;
  EXPECT_NE(out.find("Original Size  Optimized Size  Reduction"), std::string::npos) << out;
  EXPECT_NE(out.find("b.gif"), std::string::npos);
  EXPECT_EQ(out.find("c.GIF"), std::string::npos);
  EXPECT_EQ(out.find("hidden"), std::string::npos);

  ASSERT_EQ(Run({"test", "-r", "--jobs", "2", dir.string()}, out, &err), 0) << err;
  EXPECT_NE(out.find("sub/c.GIF"), std::string::npos);
  TFileOptimizer optimizer;
  const std::int64_t saved = optimizer.Process((dir / "b.gif").string(), false).Saved;
  EXPECT_NE(out.find("Saved " + std::to_string(2 * saved) + " Bytes"), std::string::npos) << out;
  // Thorough work saves at least as much, and says so in the same way.
  const std::int64_t thoroughSaved = TFileOptimizer(true).Process((dir / "b.gif").string(), false).Saved;
  EXPECT_GE(thoroughSaved, saved);
  ASSERT_EQ(Run({"test", "--thorough", (dir / "b.gif").string()}, out, &err), 0) << err;
  EXPECT_NE(out.find("Saved " + std::to_string(thoroughSaved) + " Bytes"), std::string::npos) << out;

  ASSERT_EQ(Run({"optimize", "--json", (dir / "b.gif").string()}, out, &err), 0) << err;
  EXPECT_NE(out.find("\"written\": true"), std::string::npos) << out;
  EXPECT_LT(ReadFileBytes((dir / "b.gif").string()).size(), original.size());
  EXPECT_EQ(ReadFileBytes((dir / "sub/c.GIF").string()), original);
}

TEST_F(BatchTest, ExitStatusesTellFailedFilesAndUsageErrorsApart) {
  std::string out, err;
  Write("bad.gif", Bytes{'G', 'I', 'F'});
  EXPECT_EQ(Run({"test", dir.string()}, out, &err), 1);
  EXPECT_NE(out.find("Premature end of data"), std::string::npos) << out;
  EXPECT_EQ(Run({"test"}, out, &err), 2);
  EXPECT_EQ(Run({"test", "--jobs", "0", dir.string()}, out, &err), 2);
  EXPECT_EQ(Run({"test", "--frobnicate", dir.string()}, out, &err), 2);
}

TEST_F(BatchTest, PathsThatCannotBeReadFailInTheirRowsAndTheRunGoesOn) {
  const Bytes original = Unoptimized();
  const std::string good = Write("good.gif", original), readOnly = Write("read-only.gif", original);
  ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
  const std::filesystem::path missing = dir / "missing.gif", dangling = dir / "dangling.gif", loop = dir / "loop.gif",
                              fifo = dir / "fifo.gif";
  std::filesystem::create_symlink(dir / "gone.gif", dangling);
  std::filesystem::create_symlink(loop, loop);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  const std::vector<std::pair<std::string, std::string>> rows = {
      {missing, "No such file or directory"}, {dangling, "No such file or directory"},
      {loop, "Too many levels of symbolic links"}, {fifo, "Not a regular file"},
      {readOnly, "Permission denied"}};
  std::vector<std::string> args = {"optimize", "--jobs", "2"};
  for (const auto& row : rows) args.push_back(row.first);
  args.push_back(good);

  std::string out, err;
  EXPECT_EQ(Run(args, out, &err), 1) << out << err;
  for (const auto& [path, error] : rows) {
    const std::size_t at = out.find(path);
    ASSERT_NE(at, std::string::npos) << out;
    EXPECT_NE(out.substr(at, out.find('\n', at) - at).find(error), std::string::npos) << path << "\n" << out;
  }
  EXPECT_EQ(ReadFileBytes(readOnly), original);
  EXPECT_LT(ReadFileBytes(good).size(), original.size());

  args[1] = "--json";
  args[2] = "--thorough";
  EXPECT_EQ(Run(args, out, &err), 1);
  EXPECT_NE(out.find("\"failed\": true, \"message\": \"Cannot open file \\\"" + fifo.string()), std::string::npos) << out;
}

TEST_F(BatchTest, JsonCarriesNamesThatAreNotUtf8) {
  const std::string path = Write("\xff\xe9t\xc3\xa9\xed\xa0\x80.gif", Unoptimized());
  std::string out, err;
  ASSERT_EQ(Run({"test", "--json", path}, out, &err), 0) << err;
  const std::string shown = "\\ufffd\\ufffdt\xc3\xa9\\ufffd\\ufffd\\ufffd.gif";
  EXPECT_NE(out.find(shown + "\", \"file_bytes\": \""), std::string::npos) << out;
  EXPECT_NE(out.find("ffe974c3a9eda0802e676966\", \"original_size\""), std::string::npos) << out;
  ASSERT_EQ(Run({"test", "--json", Write("plain é.gif", Unoptimized())}, out, &err), 0) << err;
  EXPECT_EQ(out.find("file_bytes"), std::string::npos) << out;
}

TEST_F(BatchTest, ListsOfFilesTakeAnyNameOneALineOrNulSeparated) {
  const Bytes original = Unoptimized();
  const std::string spaced = Write("with space.gif", original), newline = Write("new\nline.gif", original),
                    binary = Write("\xff\x01.gif", original);
  std::string out, err;
  // NUL-separated from standard input: every name, the newline one too.
  const std::string nul = spaced + '\0' + newline + '\0' + binary + '\0';
  ASSERT_EQ(Run({"test", "--json", "--files-from", "-", "-0"}, out, &err, nul), 0) << err;
  EXPECT_NE(out.find("\"files\": 3, \"failed\": 0"), std::string::npos) << out;
  // One a line, from a file, beside a path given as an argument (counted once).
  const std::string list = Write("list.txt", Bytes(spaced.begin(), spaced.end()) + Bytes{'\n', '\n'} +
                                                 Bytes(binary.begin(), binary.end()) + Bytes{'\n'});
  ASSERT_EQ(Run({"test", "--json", "--files-from=" + list, binary}, out, &err), 0) << err;
  EXPECT_NE(out.find("\"files\": 2, \"failed\": 0"), std::string::npos) << out;
  EXPECT_EQ(Run({"test", "--files-from", (dir / "no-list").string()}, out, &err), 1);
  EXPECT_EQ(Run({"test", "-0", spaced}, out, &err), 2);
}

TEST_F(BatchTest, QuietPrintsFailuresAndTheTotalAndJsonEndsWithASummaryThatAddsUp) {
  const Bytes original = Unoptimized();
  const std::string good = Write("good.gif", original), bad = Write("bad.gif", Bytes{'G', 'I', 'F'});
  const std::int64_t saved = TFileOptimizer().Process(good, false).Saved;
  std::string out, err;
  EXPECT_EQ(Run({"test", "-q", good, bad}, out, &err), 1);
  EXPECT_EQ(out, "Saved " + std::to_string(saved) + " Bytes\n");
  EXPECT_EQ(err, bad + ": Premature end of data\n");

  EXPECT_EQ(Run({"optimize", "--json", good, bad, (dir / "missing.gif").string()}, out, &err), 1);
  const std::int64_t in = static_cast<std::int64_t>(original.size()) + 3;
  EXPECT_NE(out.find("{\"summary\": {\"files\": 3, \"failed\": 2, \"bytes_in\": " + std::to_string(in) +
                     ", \"bytes_out\": " + std::to_string(in - saved) + ", \"saved\": " + std::to_string(saved) +
                     "}}\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(Run({"--version"}, out, &err), 0);
  EXPECT_EQ(out, "lumvane " LUMVANE_VERSION "\n");
}

// Results are written on threads of their own while the workers go on: every row still
// reports its own file, each file written shows what it showed, and nothing else is left.
TEST_F(BatchTest, ManyFilesWrittenAtOnceEachGetTheirOwnResult) {
  std::vector<Bytes> originals;
  for (int i = 0; i < 24; ++i) {
    TGIFImage image;
    for (int c = 0; c < 4; ++c) image.Header.GlobalColorMap().AddColor(0x303030u * c + i);
    for (int f = 0; f < 2; ++f) {
      TGIFSubImage& frame = AddFrame(image, 0, 0, 16 + i, 16);
      for (int p = 0; p < frame.PixelCount(); ++p) frame.Pixels()[p] = static_cast<std::uint8_t>((p * (i + 3) / 5) % 4);
    }
    originals.push_back(SaveBytes(image));
    Write("f" + std::to_string(i) + ".gif", originals.back());
  }
  const std::string kept = Write("read-only.gif", Unoptimized());
  ASSERT_EQ(::chmod(kept.c_str(), 0444), 0);
  std::string out, err;
  EXPECT_EQ(Run({"optimize", "--jobs", "2", "--json", dir.string()}, out, &err), 1) << err;
  for (std::size_t i = 0; i < originals.size(); ++i) {
    const std::string name = "f" + std::to_string(i) + ".gif";
    const Bytes result = ReadFileBytes((dir / name).string());
    const std::size_t row = out.find("\"file\": \"" + (dir / name).string() + "\"");
    ASSERT_NE(row, std::string::npos) << out;
    const std::string line = out.substr(row, out.find('\n', row) - row);
    if (result != originals[i]) {
      EXPECT_NE(line.find("\"optimized_size\": " + std::to_string(result.size()) + ","), std::string::npos) << line;
    }
    EXPECT_EQ(CompareShows(*LoadBytes(originals[i]).Image, *LoadBytes(result).Image).Difference, "") << name;
  }
  EXPECT_EQ(ReadFileBytes(kept), Unoptimized());
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir)) ++entries;
  EXPECT_EQ(entries, originals.size() + 1);
}

TEST_F(BatchTest, OutputElsewhereLeavesTheOriginalsAndKeepsTheFoldersLayout) {
  const Bytes original = Unoptimized(), damaged(original.begin(), original.end() - 3);
  const std::string top = Write("in/a.gif", original), deep = Write("in/sub/b.gif", damaged),
                    alone = Write("other/c.gif", original), clash = Write("other/a.gif", original);
  const std::filesystem::path out = dir / "out";
  std::string output, err;
  EXPECT_EQ(Run({"optimize", "-r", "-o", out.string(), (dir / "in").string(), alone, clash}, output, &err), 1)
      << output << err;
  for (const std::string& path : {top, alone, clash}) EXPECT_EQ(ReadFileBytes(path), original);
  EXPECT_EQ(ReadFileBytes(deep), damaged);
  // The results show what the files show; a file kept (damaged) is copied as it is.
  for (const char* name : {"a.gif", "c.gif"}) {
    const Bytes result = ReadFileBytes((out / name).string());
    EXPECT_LT(result.size(), original.size()) << name;
    EXPECT_TRUE(CompareShows(*LoadBytes(original).Image, *LoadBytes(result).Image).Same) << name;
  }
  EXPECT_EQ(ReadFileBytes((out / "sub/b.gif").string()), damaged);
  EXPECT_NE(output.find("Another file of the run has its name"), std::string::npos) << output;
  EXPECT_EQ(Run({"test", "-o", out.string(), top}, output, &err), 2);
}

TEST_F(BatchTest, APipeGivesWhatTheFileRunGives) {
  const Bytes original = Unoptimized();
  const std::string path = Write("a.gif", original);
  const std::string input(original.begin(), original.end());
  std::string output, err;
  ASSERT_EQ(Run({"test", "-"}, output, &err, input), 0) << err;
  EXPECT_NE(output.find("Saved "), std::string::npos) << output;
  ASSERT_EQ(Run({"optimize", "--json", "-"}, output, &err, input), 0) << err;
  ASSERT_EQ(Run({"optimize", path}), 0);
  EXPECT_EQ(Bytes(output.begin(), output.end()), ReadFileBytes(path));
  EXPECT_NE(err.find("{\"file\": \"-\""), std::string::npos) << err;
  // What is not a GIF goes through as it came, and fails.
  EXPECT_EQ(Run({"optimize", "-"}, output, &err, "not a GIF"), 1);
  EXPECT_EQ(output, "not a GIF");
  EXPECT_EQ(Run({"optimize", "-", path}, output, &err, input), 2);
}

// The write-back contract of the README, line by line.
TEST_F(BatchTest, ALinkStaysALinkAndAFileReachedTwiceCountsOnce) {
  const Bytes original = Unoptimized();
  const std::string target = Write("pictures/a.gif", original);
  const std::filesystem::path link = dir / "link.gif", folderLink = dir / "linked-folder";
  std::filesystem::create_symlink(target, link);
  std::filesystem::create_symlink(dir / "pictures", folderLink);
  const std::int64_t saved = TFileOptimizer().Process(target, false).Saved;
  ASSERT_GT(saved, 0);

  std::string out, err;
  // The file itself, a link to it, its folder twice and a path to it twice: one row.
  ASSERT_EQ(Run({"optimize", "-r", target, link, (dir / "pictures").string(), dir.string(), target}, out, &err), 0)
      << err;
  EXPECT_NE(out.find("Saved " + std::to_string(saved) + " Bytes"), std::string::npos) << out;
  EXPECT_EQ(out.find(link.string()), std::string::npos) << out;
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_LT(ReadFileBytes(target).size(), original.size());
  EXPECT_EQ(Listing(), (std::vector<std::string>{"link.gif", "linked-folder", "pictures"}));

  // Through the link: the file it points to is optimized, the link stays.
  const std::string second = Write("other/b.gif", original);
  std::filesystem::remove(link);
  std::filesystem::create_symlink(second, link);
  EXPECT_TRUE(TFileOptimizer().Process(link, true).Written);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_LT(ReadFileBytes(second).size(), original.size());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "other"), {}), 1);
}

TEST_F(BatchTest, AFileWithOtherHardLinksIsKept) {
  const Bytes original = Unoptimized();
  const std::string path = Write("a.gif", original), other = (dir / "b.gif").string();
  ASSERT_EQ(::link(path.c_str(), other.c_str()), 0);
  const TFileOutcome outcome = TFileOptimizer().Process(path, true);
  EXPECT_EQ(outcome.Message, kOtherLinksText);
  EXPECT_FALSE(outcome.Written || outcome.Failed);
  EXPECT_EQ(outcome.Saved, 0);
  EXPECT_EQ(ReadFileBytes(path), original);
  struct stat info {};
  ASSERT_EQ(::stat(other.c_str(), &info), 0);
  EXPECT_EQ(info.st_nlink, 2u);
}

TEST_F(BatchTest, OwnerGroupModeAndExtendedAttributesStay) {
  const Bytes original = Unoptimized();
  const std::string path = Write("a.gif", original);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);  // another user's file
  }
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  const bool attributes = ::setxattr(path.c_str(), "user.origin", "camera", 6, 0) == 0;
  struct stat before {};
  ASSERT_EQ(::stat(path.c_str(), &before), 0);

  ASSERT_TRUE(TFileOptimizer().Process(path, true).Written);
  struct stat after {};
  ASSERT_EQ(::stat(path.c_str(), &after), 0);
  EXPECT_NE(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  if (attributes) {
    char value[16] = {};
    EXPECT_EQ(::getxattr(path.c_str(), "user.origin", value, sizeof value), 6);
    EXPECT_STREQ(value, "camera");
  }
  if (!root) GTEST_SKIP() << "another user's file needs root";
}

}  // namespace
}  // namespace lumvane::test
