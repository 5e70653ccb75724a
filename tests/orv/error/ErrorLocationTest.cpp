// Tests of per-thread error locations and of the table's service life.
#include "orv/error/ErrorLocation.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "orv/error/Exception.h"
#include "orv/error/internal/ErrorLocationTable.h"
#include "orv/startup/AutoInit.h"
#include "orv/startup/StartUp.h"

namespace {

using orv::CurrentErrorLocation;
using orv::ErrorLocationScope;

TEST(ErrorLocation, EmptyStackGivesEmptyText) {
  EXPECT_EQ(CurrentErrorLocation(), "");
}

TEST(ErrorLocation, ChainedEntriesReachOutwardsUntilAnUnchainedOne) {
  ErrorLocationScope a("A", false);
  EXPECT_EQ(CurrentErrorLocation(), "A");
  {
    ErrorLocationScope b("B", true);
    EXPECT_EQ(CurrentErrorLocation(), "A, B");
    {
      ErrorLocationScope c("C", true);
      EXPECT_EQ(CurrentErrorLocation(), "A, B, C");
    }
    ErrorLocationScope d("D", false);
    EXPECT_EQ(CurrentErrorLocation(), "D");
  }
  EXPECT_EQ(CurrentErrorLocation(), "A");
}

TEST(ErrorLocation, ChainedEntryAtTheBottomStopsThere) {
  ErrorLocationScope a("A", true);
  EXPECT_EQ(CurrentErrorLocation(), "A");
}

TEST(ErrorLocation, ServiceReplacesAFirstUseTableAndDiscardsItsStacks) {
  ErrorLocationScope early("early", false);  // creates the table on first use
  ASSERT_TRUE(orv::internal::ErrorLocationTableExists());
  EXPECT_EQ(orv::internal::ErrorLocationDepth(), 1u);

  orv::AutoInit<orv::ErrorLocationInit> registrar;
  orv::StartUp::InitAll();
  EXPECT_TRUE(orv::internal::ErrorLocationTableExists());
  EXPECT_EQ(orv::internal::ErrorLocationDepth(), 0u);  // a fresh, empty table
  {
    ErrorLocationScope inside("inside", false);
    EXPECT_EQ(CurrentErrorLocation(), "inside");
  }
  orv::StartUp::ExitAll();
  EXPECT_FALSE(orv::internal::ErrorLocationTableExists());

  // After tear-down the table comes back on first use.
  EXPECT_EQ(CurrentErrorLocation(), "");
  EXPECT_TRUE(orv::internal::ErrorLocationTableExists());
}

// Eight threads push scopes and build exceptions at once; each must see only
// its own locations. Runs under ThreadSanitizer in the tsan preset.
TEST(ErrorLocation, ThreadsSeeOnlyTheirOwnStacks) {
  constexpr int kThreads = 8;
  constexpr int kRounds = 500;
  std::vector<std::string> failures(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &failures] {
      const std::string outer = "thread " + std::to_string(t);
      ErrorLocationScope scope(outer.c_str(), false);
      for (int i = 0; i < kRounds; ++i) {
        const std::string item = "item " + std::to_string(i);
        ErrorLocationScope inner(item.c_str(), true);
        orv::Exception e(2005, "x");
        const std::string expected = outer + ", " + item;
        if (e.location != expected && failures[t].empty()) {
          failures[t] = "expected '" + expected + "', got '" + e.location + "'";
        }
      }
      if (orv::internal::ErrorLocationDepth() != 1 && failures[t].empty()) {
        failures[t] = "stack not restored";
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], "") << "thread " << t;
}

}  // namespace
