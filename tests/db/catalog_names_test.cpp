// Catalog names read on a thread of their own: kept when the read ends in time; otherwise nothing,
// the read interrupted, and the caller never held up, not even by an interrupt that does not return.

#include "db/catalog_names.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace ql {

namespace {

using Clock = std::chrono::steady_clock;
using Names = std::vector<std::string>;

// A gate the test opens; shared with the reading threads, which may outlive a failed test.
struct Gate {
  void Open() {
    const std::lock_guard lock(mutex);
    open = true;
    changed.notify_all();
  }
  // False when the gate stayed shut for 10 seconds.
  bool Pass() {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(10), [&] { return open; });
  }
  std::mutex mutex;
  std::condition_variable changed;
  bool open = false;
};

TEST(CatalogNamesTest, AReadThatEndsInTimeIsKept) {
  db::CatalogNames names;
  EXPECT_EQ(names.Read("tables", [] { return Names{"Account"}; }, [] {}, Clock::now() + db::CatalogNames::kWaitLimit),
            Names{"Account"});
  ASSERT_NE(names.Kept("tables"), nullptr);
  EXPECT_EQ(*names.Kept("tables"), Names{"Account"});
  names.Forget();
  EXPECT_EQ(names.Kept("tables"), nullptr);
  // Past its deadline nothing is read at all.
  EXPECT_EQ(names.Read("tables", [] { return Names{"late"}; }, [] {}, Clock::now()), Names{});
  // Names read ahead are waited for when asked for while their read runs, not read twice.
  names.ReadAhead("columns", [] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return Names{"ID"};
  }, [] {}, Clock::now() + std::chrono::seconds(5));
  EXPECT_EQ(names.Read("columns", [] { return Names{"twice"}; }, [] {}, Clock::now() + std::chrono::seconds(5)),
            Names{"ID"});
}

TEST(CatalogNamesTest, ASlowReadGivesNothingAndIsInterrupted) {
  db::CatalogNames names;
  auto interrupted = std::make_shared<Gate>();
  const auto start = Clock::now();
  EXPECT_EQ(names.Read("tables", [interrupted] { return interrupted->Pass() ? Names{"late"} : Names{}; },
                       [interrupted] { interrupted->Open(); }, start + std::chrono::milliseconds(50)),
            Names{});
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  names.Settle();
  EXPECT_TRUE(interrupted->open);
  EXPECT_EQ(names.Kept("tables"), nullptr);
  // Names whose read was interrupted are not read ahead again until they are forgotten.
  const auto again = [] { return Names{"again"}; };
  names.ReadAhead("tables", again, [] {}, Clock::now() + std::chrono::seconds(5));
  names.Settle();
  EXPECT_EQ(names.Kept("tables"), nullptr);
  names.Forget();
  names.ReadAhead("tables", again, [] {}, Clock::now() + std::chrono::seconds(5));
  names.Settle();
  ASSERT_NE(names.Kept("tables"), nullptr);
  EXPECT_EQ(*names.Kept("tables"), Names{"again"});
}

// A stopped server: neither the read nor the interrupt returns until the server goes on.
TEST(CatalogNamesTest, AReadAndAnInterruptThatHangHoldUpNoCaller) {
  db::CatalogNames names;
  auto server = std::make_shared<Gate>();
  const auto start = Clock::now();
  const auto hang = [server] {
    server->Pass();
    return Names{"late"};
  };
  EXPECT_EQ(names.Read("tables", hang, [server] { server->Pass(); }, start + std::chrono::milliseconds(50)), Names{});
  // No second read starts while the first holds the connection.
  EXPECT_EQ(names.Read("columns", [] { return Names{"ID"}; }, [] {}, Clock::now() + std::chrono::seconds(5)), Names{});
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  EXPECT_TRUE(names.ReadRunning());
  server->Open();
  names.Settle();
  EXPECT_FALSE(names.ReadRunning());
  EXPECT_EQ(names.Kept("columns"), nullptr);
}

}  // namespace

}  // namespace ql
