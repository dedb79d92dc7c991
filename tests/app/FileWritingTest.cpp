// Writing a result in place of a file: whatever fails, and even when the process is killed
// in the middle, the file keeps its bytes and nothing is left beside it.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <filesystem>

#include "app/FileWriting.h"
#include "base/Errors.h"
#include "support/CommandLineTest.h"
#include "support/Corpus.h"

namespace lumvane::test {
namespace {

// Passes the first bytes on to the file, then fails.
class TFailingStream : public TStream {
public:
  TFailingStream(TStream& target, std::size_t budget, std::function<void()> onFailure = {})
      : target_(target), budget_(budget), onFailure_(std::move(onFailure)) {}
  std::size_t Read(void*, std::size_t) override { return 0; }
  std::size_t Write(const void* buffer, std::size_t count) override {
    const std::size_t passed = std::min(count, budget_);
    budget_ -= passed;
    if (passed > 0) target_.WriteBuffer(buffer, passed);
    if (passed < count && onFailure_) onFailure_();
    return passed;
  }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override { return target_.Seek(offset, origin); }
  std::int64_t Size() const override { return target_.Size(); }

private:
  TStream& target_;
  std::size_t budget_;
  std::function<void()> onFailure_;
};

struct FileWritingTest : CommandLineTest {
  Bytes original = Bytes(3000, 0x11);
  // A result larger than the file, written in pieces as a document saves itself.
  Bytes result;
  std::string path;

  void SetUp() override {
    CommandLineTest::SetUp();
    for (int i = 0; i < 300000; ++i) result.push_back(static_cast<std::uint8_t>(i * 7 + i / 256));
    path = Write("picture.gif", original);
  }
  // Writes the result through a stream that fails after budget bytes, in pieces of 1000.
  void WriteFailingAfter(std::size_t budget) {
    WriteFileReplacing(path, {}, [&](TStream& file) {
      auto failing = std::make_unique<TFailingStream>(file, budget);
      for (std::size_t at = 0; at < result.size(); at += 1000)
        failing->WriteBuffer(result.data() + at, std::min<std::size_t>(1000, result.size() - at));
      return failing;
    });
  }
};

TEST_F(FileWritingTest, AWriteFailingAnywhereLeavesTheFileAndNothingElse) {
  std::vector<std::size_t> budgets;
  for (std::size_t n = 0; n <= 4096; ++n) budgets.push_back(n);
  for (std::size_t n = 4097; n < result.size(); n += result.size() / 300) budgets.push_back(n);
  for (const std::size_t budget : budgets) {
    EXPECT_THROW(WriteFailingAfter(budget), EWriteError) << budget;
    ASSERT_EQ(ReadFileBytes(path), original) << budget;
    ASSERT_EQ(Listing(), std::vector<std::string>{"picture.gif"}) << budget;
  }
  // And a write that goes through replaces it, whatever the length of its name.
  WriteFileReplacing(path, result);
  EXPECT_EQ(ReadFileBytes(path), result);
  const std::string longest(255, 'n');
  WriteFileReplacing(Write(longest, original), result);
  EXPECT_EQ(ReadFileBytes((dir / longest).string()), result);
  EXPECT_EQ(Listing(), (std::vector<std::string>{longest, "picture.gif"}));
}

TEST_F(FileWritingTest, AProcessKilledWhileWritingLeavesTheFileAndNothingElse) {
  for (const std::size_t budget : {std::size_t{0}, std::size_t{1}, std::size_t{4096}, result.size() / 2}) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // The writer stops in the middle of the file, tells the test, and waits to be killed.
      ::close(ready[0]);
      WriteFileReplacing(path, result, [&](TStream& file) {
        return std::make_unique<TFailingStream>(file, budget, [&] {
          const char byte = 1;
          if (::write(ready[1], &byte, 1) != 1) ::_exit(2);
          for (;;) ::pause();
        });
      });
      ::_exit(3);  // not reached
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1) << budget;
    ::close(ready[0]);
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status)) << budget;
    EXPECT_EQ(ReadFileBytes(path), original) << budget;
    EXPECT_EQ(Listing(), std::vector<std::string>{"picture.gif"}) << budget;
  }
}

TEST_F(FileWritingTest, AFileChangedWhileItsResultIsWrittenIsKept) {
  const std::optional<TFileIdentity> read = IdentityOf(path);
  const Bytes changed = original + Bytes{0x22};
  // Someone else writes the file while the result is being written.
  const auto result = ReplaceFile(path, Bytes(100, 0x33), read, [&](TStream& file) {
    std::filesystem::copy_file(Write("newer.gif", changed), path, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove(dir / "newer.gif");
    return std::make_unique<TFailingStream>(file, SIZE_MAX);
  });
  EXPECT_EQ(result, TWriteBack::KeptChanged);
  EXPECT_EQ(ReadFileBytes(path), changed);
  EXPECT_EQ(Listing(), std::vector<std::string>{"picture.gif"});
  // Changed before the write began, or removed: kept too, and not brought back.
  EXPECT_EQ(ReplaceFile(path, Bytes(100, 0x33), read), TWriteBack::KeptChanged);
  std::filesystem::remove(path);
  EXPECT_EQ(ReplaceFile(path, Bytes(100, 0x33), read), TWriteBack::KeptChanged);
  EXPECT_TRUE(Listing().empty());
}

TEST_F(FileWritingTest, LeftoversOfProcessesThatDiedAreRemoved) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);  // a process no longer running
  // A folder of its own: a process looks for leftovers once per folder.
  const std::string living = ".a.gif.lumvane-1-0";  // init never ends
  Write("leftovers/.a.gif.lumvane-" + std::to_string(child) + "-0", result);
  Write("leftovers/" + living, result);
  WriteFileReplacing(Write("leftovers/a.gif", original), result);
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "leftovers"))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{living, "a.gif"}));
}

}  // namespace
}  // namespace lumvane::test
