#include "base/tick_scheduler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "base/framework_thread.h"
#include "tests/base/test_support.h"

namespace nbase {
namespace {

using nbase_test::RunOn;
using nbase_test::WaitUntil;

// The service belongs to the thread that first uses it, so every test here
// shares one UI thread that lives until the process ends.
FrameworkThread& Ui() {
  static FrameworkThread* const ui = [] {
    auto* thread = new FrameworkThread("tick ui");
    thread->LaunchWith(kLoopWindows);
    return thread;
  }();
  return *ui;
}

TickScheduler& Ticks() { return TickScheduler::Instance(); }

template <class T>
T OnUi(std::function<T()> read) {
  T value{};
  RunOn(Ui(), [&] { value = read(); });
  return value;
}

uint32_t Period() {
  return OnUi<uint32_t>([] { return Ticks().PeriodForTesting(); });
}

struct Owner : SupportWeakCallback {};

TEST(TickSchedulerTest, RunCountsFollowRunsAndOwnerLifetime) {
  Owner owner;
  std::atomic<int> three{0}, one{0}, zero{0}, negative{0}, endless{0};
  std::atomic<bool> off_thread{false};
  auto endless_owner = std::make_unique<Owner>();
  std::vector<int> endless_ticks;  // ticks posted when each endless run happened
  RunOn(Ui(), [&] {
    EXPECT_FALSE(Ticks().Schedule(owner.FlagReference(), Closure(), 0, 1));  // nothing to run
    EXPECT_TRUE(Ticks().Schedule(owner.FlagReference(), [&] { ++three; }, 0, 3));
    EXPECT_TRUE(Ticks().Schedule(owner.FlagReference(), [&] { ++one; }, 20, 1));
    EXPECT_TRUE(Ticks().Schedule(owner.FlagReference(), [&] { ++zero; }, 0, 0));
    EXPECT_TRUE(Ticks().Schedule(owner.FlagReference(), [&] { ++negative; }, 0, -7));
    // Delay 0 and endless: must not spin inside one tick; its owner dies in
    // the fourth run, which then is the last.
    EXPECT_TRUE(Ticks().Schedule(endless_owner->FlagReference(), [&] {
      if (Thread::CurrentId() != Ui().os_thread_id()) off_thread = true;
      endless_ticks.push_back(Ticks().TicksPostedForTesting());
      if (++endless == 4) endless_owner.reset();
    }, 0, -1));
    EXPECT_EQ(Ticks().PeriodForTesting(), TickScheduler::kFastPeriodMs);
  });
  ASSERT_TRUE(WaitUntil([&] { return Period() == 0; }));  // nothing left: no system timer
  EXPECT_EQ(three.load(), 3);
  EXPECT_EQ(one.load(), 1);
  EXPECT_EQ(zero.load(), 1);
  EXPECT_EQ(negative.load(), 1);
  EXPECT_EQ(endless.load(), 4);
  EXPECT_FALSE(off_thread.load());
  RunOn(Ui(), [&] {
    ASSERT_EQ(endless_ticks.size(), 4u);
    for (size_t i = 1; i < endless_ticks.size(); ++i) EXPECT_LT(endless_ticks[i - 1], endless_ticks[i]);
  });
}

TEST(TickSchedulerTest, BlockedThreadFindsOneTickNotABacklog) {
  WeakCallbackFlag flag;
  std::atomic<int> runs{0};
  int posted_while_blocked = -1;
  RunOn(Ui(), [&] {
    Ticks().Schedule(flag.FlagReference(), [&] { ++runs; }, 0, -1);
    int before = Ticks().TicksPostedForTesting();
    // About a dozen fast periods pass while the thread is busy.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    posted_while_blocked = Ticks().TicksPostedForTesting() - before;
  });
  EXPECT_LE(posted_while_blocked, 1);
  ASSERT_TRUE(WaitUntil([&] { return runs >= 2; }));  // and ticking goes on afterwards
  RunOn(Ui(), [&] { flag.Revoke(); });
}

TEST(TickSchedulerTest, FarTimersTickRarelyAndCancelledOnesNeverRun) {
  WeakCallbackFlag far_flag;
  Owner owner;
  std::atomic<int> far_runs{0}, near_runs{0};
  RunOn(Ui(), [&] {
    Ticks().Schedule(far_flag.FlagReference(), [&] { ++far_runs; }, 4000, 1);
    EXPECT_EQ(Ticks().PeriodForTesting(), TickScheduler::kFastPeriodMs);
  });
  // The first tick sees the timer seconds away: one period that ends just
  // after it is due.
  ASSERT_TRUE(WaitUntil([] { return Period() != TickScheduler::kFastPeriodMs; }));
  uint32_t slow = Period();
  EXPECT_GT(slow, 1000u);
  EXPECT_LE(slow, 4002u);

  RunOn(Ui(), [&] {
    far_flag.Revoke();
    Ticks().Schedule(owner.FlagReference(), [&] { ++near_runs; }, 0, 1);
    EXPECT_EQ(Ticks().PeriodForTesting(), TickScheduler::kFastPeriodMs);  // a near timer: fast again
  });
  ASSERT_TRUE(WaitUntil([&] { return near_runs == 1; }));
  // The cancelled timer stays queued until its time, then goes unrun.
  ASSERT_TRUE(WaitUntil([] { return Period() == 0; }));
  EXPECT_EQ(far_runs.load(), 0);

  // A timer an hour away still wakes the thread once a minute at most.
  // (It stays queued: keep this the last check of the file.)
  RunOn(Ui(), [&] { Ticks().Schedule(owner.FlagReference(), [] {}, 3600 * 1000, 1); });
  ASSERT_TRUE(WaitUntil([] { return Period() != TickScheduler::kFastPeriodMs; }));
  EXPECT_EQ(Period(), TickScheduler::kSlowPeriodMaxMs);
}

}  // namespace
}  // namespace nbase
