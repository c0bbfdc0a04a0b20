// Catalog names read on a thread of their own: kept when the read ends in time; otherwise nothing,
// the read interrupted, and the caller never held up, not even by an interrupt that does not return.

#include "db/catalog_names.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <thread>

namespace ql {

namespace {

using Clock = std::chrono::steady_clock;
using Names = std::vector<std::string>;

// A gate the test opens once; shared with the reading threads, which may outlive a failed test.
struct Gate {
  std::promise<void> opener;
  std::shared_future<void> opened = opener.get_future().share();
  // False when the gate stayed shut for `limit`.
  bool Pass(std::chrono::seconds limit = std::chrono::seconds(10)) const {
    return opened.wait_for(limit) == std::future_status::ready;
  }
};

// A read that gives `names`, and an interrupt that does nothing.
std::function<Names()> Giving(Names names) {
  return [names] { return names; };
}
void Nothing() {}
Clock::time_point Soon() { return Clock::now() + std::chrono::seconds(5); }

TEST(CatalogNamesTest, AReadThatEndsInTimeIsKept) {
  db::CatalogNames names;
  EXPECT_EQ(names.Read("tables", Giving({"Account"}), Nothing, Clock::now() + db::CatalogNames::kWaitLimit),
            Names{"Account"});
  ASSERT_NE(names.Kept("tables"), nullptr);
  EXPECT_EQ(*names.Kept("tables"), Names{"Account"});
  names.Forget();
  EXPECT_EQ(names.Kept("tables"), nullptr);
  // Past its deadline nothing is read at all.
  EXPECT_EQ(names.Read("tables", Giving({"late"}), Nothing, Clock::now()), Names{});
  // Names read ahead are waited for when asked for while their read runs, not read twice.
  const auto slow = [] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return Names{"ID"};
  };
  names.ReadAhead("columns", slow, Nothing, Soon());
  EXPECT_EQ(names.Read("columns", Giving({"twice"}), Nothing, Soon()), Names{"ID"});
}

TEST(CatalogNamesTest, ASlowReadGivesNothingAndIsInterrupted) {
  db::CatalogNames names;
  auto interrupted = std::make_shared<Gate>();
  const auto start = Clock::now();
  const auto read = [interrupted] { return interrupted->Pass() ? Names{"late"} : Names{}; };
  EXPECT_EQ(
      names.Read(
          "tables", read, [interrupted] { interrupted->opener.set_value(); }, start + std::chrono::milliseconds(50)),
      Names{});
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  names.Settle();
  EXPECT_TRUE(interrupted->Pass(std::chrono::seconds(0)));
  EXPECT_EQ(names.Kept("tables"), nullptr);
  // Names whose read was interrupted are not read ahead again until they are forgotten.
  names.ReadAhead("tables", Giving({"again"}), Nothing, Soon());
  names.Settle();
  EXPECT_EQ(names.Kept("tables"), nullptr);
  names.Forget();
  names.ReadAhead("tables", Giving({"again"}), Nothing, Soon());
  names.Settle();
  ASSERT_NE(names.Kept("tables"), nullptr);
  EXPECT_EQ(*names.Kept("tables"), Names{"again"});
}

// A stopped server: neither the read nor the interrupt returns until the server goes on.
TEST(CatalogNamesTest, AReadAndAnInterruptThatHangHoldUpNoCaller) {
  db::CatalogNames names;
  auto server = std::make_shared<Gate>();
  const auto start = Clock::now();
  const auto hang = [server] { return server->Pass(), Names{"late"}; };
  const auto stuck = [server] { server->Pass(); };
  EXPECT_EQ(names.Read("tables", hang, stuck, start + std::chrono::milliseconds(50)), Names{});
  // No second read starts while the first holds the connection.
  EXPECT_EQ(names.Read("columns", Giving({"ID"}), Nothing, Soon()), Names{});
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  EXPECT_TRUE(names.ReadRunning());
  server->opener.set_value();
  names.Settle();
  EXPECT_FALSE(names.ReadRunning());
  EXPECT_EQ(names.Kept("columns"), nullptr);
}

}  // namespace

}  // namespace ql
