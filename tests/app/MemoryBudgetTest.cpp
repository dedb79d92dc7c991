#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/MemoryBudget.h"

namespace lumvane::test {
namespace {

TEST(MemoryBudget, AClaimWaitsUntilTheHeldOnesLeaveRoomAndOneBeyondTheBudgetRunsAlone) {
  TMemoryBudget budget(100);
  std::mutex lock;
  std::vector<std::string> log;
  const auto note = [&](const std::string& event) {
    std::lock_guard guard(lock);
    log.push_back(event);
  };
  std::optional<TMemoryBudget::TClaim> first;
  first.emplace(budget, 60);
  std::thread second([&] {
    const TMemoryBudget::TClaim claim = budget.Claim(60);
    note("second granted");
  });
  // Room for the second claim comes only with the first one's release (the pause gives a
  // budget that does not wait the time to show it).
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  note("first released");
  first.reset();
  second.join();
  EXPECT_EQ(log, (std::vector<std::string>{"first released", "second granted"}));

  const TMemoryBudget::TClaim alone = budget.Claim(500);
}

}  // namespace
}  // namespace lumvane::test
