#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "app/WriteQueue.h"

namespace lumvane::test {
namespace {

// Writers start as tasks find the started ones busy: tasks that wait for each other all get
// a writer, never more run at once than allowed, and every task runs before the queue ends.
TEST(WriteQueue, BusyWritersGetCompanyUpToTheLimitAndEveryTaskRuns) {
  constexpr int kWriters = 3;
  std::mutex lock;
  std::condition_variable changed;
  int running = 0, mostRunning = 0, met = 0, finished = 0;
  bool allMet = true;
  const auto task = [&](bool meetOthers) {
    return [&, meetOthers] {
      std::unique_lock guard(lock);
      mostRunning = std::max(mostRunning, ++running);
      if (meetOthers) {
        ++met;
        changed.notify_all();
        allMet &= changed.wait_for(guard, std::chrono::seconds(10), [&] { return met == kWriters; });
      }
      --running;
      ++finished;
    };
  };
  {
    TWriteQueue queue(kWriters);
    for (int i = 0; i < kWriters; ++i) queue.Add(task(true), 10);
    for (int i = 0; i < 50; ++i) queue.Add(task(false), 10);
  }
  EXPECT_TRUE(allMet);
  EXPECT_LE(mostRunning, kWriters);
  EXPECT_EQ(finished, kWriters + 50);
}

}  // namespace
}  // namespace lumvane::test
