#include "base/framework_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "base/message_loop_proxy.h"
#include "base/thread_registry.h"
#include "tests/base/test_support.h"

namespace nbase {
namespace {

using nbase_test::WaitFor;
using nbase_test::WaitUntil;

// A worker that registers `id` (bind_times times) while its loop runs, like the
// application's HTTP and miscellaneous threads.
class IdThread : public FrameworkThread {
 public:
  explicit IdThread(int id, int bind_times = 1) : FrameworkThread("id thread"), id_(id), binds_(bind_times) {}
  ~IdThread() override { Stop(); }

  std::atomic<int> successful_binds{0};
  std::atomic<bool> start_ran{false};

 protected:
  void OnThreadStart() override {
    for (int i = 0; i < binds_; ++i)
      if (ThreadRegistry::Get().BindIdentifier(id_)) ++successful_binds;
    start_ran = true;
  }
  void OnThreadStop() override {
    for (int i = 0; i < successful_binds; ++i) ThreadRegistry::Get().ReleaseIdentifier();
  }

 private:
  int id_;
  int binds_;
};

// Posts by id and waits for the task; false when the post was refused.
bool RunById(int id, Closure task) {
  auto done = std::make_shared<WaitableEvent>();
  if (!ThreadRegistry::Get().Post(id, [task, done] {
        task();
        done->Signal();
      }))
    return false;
  return WaitFor(*done);
}

TEST(FrameworkThreadTest, LaunchReturnsAfterStartHookSoPostByIdWorks) {
  IdThread thread(31);
  EXPECT_FALSE(ThreadRegistry::Get().Post(31, [] {}));
  ASSERT_TRUE(thread.Launch());
  EXPECT_TRUE(thread.start_ran);
  EXPECT_NE(thread.loop(), nullptr);
  std::atomic<uint32_t> seen_id{0};
  EXPECT_TRUE(RunById(31, [&] {
    seen_id = Thread::CurrentId();
    EXPECT_EQ(ThreadRegistry::CurrentIdentifier(), 31);
    EXPECT_TRUE(ThreadRegistry::Get().ProxyForIdentifier(31)->IsOnLoopThread());
  }));
  EXPECT_EQ(seen_id.load(), thread.os_thread_id());
  EXPECT_FALSE(ThreadRegistry::Get().ProxyForIdentifier(31)->IsOnLoopThread());
  thread.Stop();
  EXPECT_EQ(thread.loop(), nullptr);
  EXPECT_FALSE(ThreadRegistry::Get().Post(31, [] {}));  // released in OnThreadStop
}

TEST(FrameworkThreadTest, StopRunsQueuedTasksAndDropsDelayedOnes) {
  std::atomic<int> ran{0};
  std::atomic<bool> delayed_ran{false};
  auto sentinel = std::make_shared<int>(0);
  std::weak_ptr<int> delayed_alive = sentinel;
  {
    FrameworkThread worker("worker");
    ASSERT_TRUE(worker.Launch());
    WaitableEvent release;
    std::shared_ptr<MessageLoopProxy> proxy = worker.loop()->proxy();
    proxy->Post([&] { release.TimedWait(nbase_test::kWaitMs); });  // hold the queue
    for (int i = 0; i < 10; ++i) proxy->Post([&ran] { ++ran; });
    proxy->PostAfter([sentinel, &delayed_ran] { delayed_ran = true; }, TimeDelta::FromSeconds(3600));
    sentinel.reset();
    release.Signal();
  }  // posts quit behind the ten and joins
  EXPECT_EQ(ran.load(), 10);
  EXPECT_FALSE(delayed_ran);
  EXPECT_TRUE(delayed_alive.expired());
}

TEST(ThreadRegistryTest, PostToUnregisteredIdDestroysTaskUnrun) {
  auto sentinel = std::make_shared<int>(0);
  std::weak_ptr<int> watch = sentinel;
  bool ran = false;
  EXPECT_FALSE(ThreadRegistry::Get().Post(6006, [sentinel, &ran] { ran = true; }));
  EXPECT_FALSE(ThreadRegistry::Get().PostAfter(6006, [sentinel, &ran] { ran = true; },
                                               TimeDelta::FromMilliseconds(1)));
  sentinel.reset();
  EXPECT_TRUE(watch.expired());
  EXPECT_FALSE(ran);
  EXPECT_EQ(ThreadRegistry::Get().ProxyForIdentifier(6006), nullptr);
}

TEST(ThreadRegistryTest, BindingOutsideAFrameworkThreadFails) {
  EXPECT_FALSE(ThreadRegistry::Get().BindIdentifier(41));
  ThreadRegistry::Get().ReleaseIdentifier();  // harmless
  EXPECT_EQ(ThreadRegistry::CurrentIdentifier(), -1);
}

TEST(ThreadRegistryTest, SecondThreadCannotTakeAHeldId) {
  IdThread first(42), second(42);
  ASSERT_TRUE(first.Launch());
  ASSERT_TRUE(second.Launch());
  EXPECT_EQ(first.successful_binds.load(), 1);
  EXPECT_EQ(second.successful_binds.load(), 0);
  std::atomic<uint32_t> runner{0};
  EXPECT_TRUE(RunById(42, [&] { runner = Thread::CurrentId(); }));
  EXPECT_EQ(runner.load(), first.os_thread_id());
  second.Stop();  // releasing nothing must not free the first thread's id
  EXPECT_TRUE(RunById(42, [] {}));
}

TEST(ThreadRegistryTest, DoubleBindNeedsTwoReleases) {
  IdThread thread(43, /*bind_times=*/2);
  ASSERT_TRUE(thread.Launch());
  EXPECT_EQ(thread.successful_binds.load(), 2);
  EXPECT_TRUE(RunById(43, [] { ThreadRegistry::Get().ReleaseIdentifier(); }));
  EXPECT_TRUE(RunById(43, [] { ThreadRegistry::Get().ReleaseIdentifier(); }));
  EXPECT_FALSE(ThreadRegistry::Get().Post(43, [] {}));
}

TEST(ThreadRegistryTest, ForgottenReleaseLeavesNoStaleEntry) {
  class Forgetful : public FrameworkThread {
   public:
    Forgetful() : FrameworkThread("forgetful") {}
    void OnThreadStart() override { ThreadRegistry::Get().BindIdentifier(44); }
  };
  {
    Forgetful thread;
    ASSERT_TRUE(thread.Launch());
    EXPECT_TRUE(RunById(44, [] {}));
  }
  EXPECT_EQ(ThreadRegistry::Get().ProxyForIdentifier(44), nullptr);
}

class Ticker : public SupportWeakCallback {
 public:
  std::atomic<int> runs{0};
};

// Waits until every task the thread has due within `ms` has had its chance.
void Settle(int id, int ms) {
  auto done = std::make_shared<WaitableEvent>();
  ASSERT_TRUE(ThreadRegistry::Get().PostAfter(id, [done] { done->Signal(); },
                                              TimeDelta::FromMilliseconds(ms)));
  ASSERT_TRUE(WaitFor(*done));
}

TEST(ThreadRegistryTest, RecurringTaskRunsTheGivenNumberOfTimes) {
  IdThread thread(45);
  ASSERT_TRUE(thread.Launch());
  for (int times : {3, 1}) {
    Ticker ticker;
    ThreadRegistry::Get().PostRecurring(45, ticker.MakeGuarded([&ticker] { ++ticker.runs; }),
                                        TimeDelta::FromMilliseconds(1), times);
    ASSERT_TRUE(WaitUntil([&] { return ticker.runs >= times; }));
    Settle(45, 60);
    EXPECT_EQ(ticker.runs.load(), times);
  }
  Ticker never;
  ThreadRegistry::Get().PostRecurring(45, never.MakeGuarded([&never] { ++never.runs; }),
                                      TimeDelta::FromMilliseconds(1), 0);
  Settle(45, 30);
  EXPECT_EQ(never.runs.load(), 0);
}

TEST(ThreadRegistryTest, EndlessRecurringTaskStopsWhenItsOwnerDies) {
  IdThread thread(46);
  ASSERT_TRUE(thread.Launch());

  // Owner destroyed by another task on the same thread.
  auto* ticker = new Ticker;
  auto counted = std::make_shared<std::atomic<int>>(0);
  ThreadRegistry::Get().PostRecurring(
      46, ticker->MakeGuarded([ticker, counted] { *counted = ++ticker->runs; }),
      TimeDelta::FromMilliseconds(1), -1);
  ASSERT_TRUE(WaitUntil([&] { return counted->load() >= 5; }));
  std::atomic<int> at_death{0};
  ASSERT_TRUE(RunById(46, [&] {
    at_death = counted->load();
    delete ticker;
  }));
  Settle(46, 60);
  EXPECT_EQ(counted->load(), at_death.load());

  // Owner destroyed by the task itself during its second run.
  auto* self_ending = new Ticker;
  auto self_runs = std::make_shared<std::atomic<int>>(0);
  ThreadRegistry::Get().PostRecurring(46, self_ending->MakeGuarded([self_ending, self_runs] {
    if (++*self_runs == 2) delete self_ending;
  }), TimeDelta::FromMilliseconds(1), -1);
  ASSERT_TRUE(WaitUntil([&] { return self_runs->load() >= 2; }));
  Settle(46, 60);
  EXPECT_EQ(self_runs->load(), 2);
}

TEST(ThreadTest, PriorityMapping) {
  int os = 99;
  EXPECT_FALSE(OsPriorityFor(kPriorityDefault, &os));
  EXPECT_FALSE(OsPriorityFor(-3, &os));
  EXPECT_EQ(os, 99);  // left alone
  const int expected[][2] = {{1, -2}, {2, -1}, {3, 2}, {4, 15}, {5, -1}, {7, -1}};
  for (const auto& pair : expected) {
    ASSERT_TRUE(OsPriorityFor(pair[0], &os));
    EXPECT_EQ(os, pair[1]) << "level " << pair[0];
  }
}

TEST(ThreadTest, PlainThreadRunsAndJoins) {
  class Body : public Thread {
   public:
    void RunThread() override { id_seen = CurrentId(); }
    std::atomic<uint32_t> id_seen{0};
  };
  Body body;
  body.set_priority(kPriorityLow);
  ASSERT_TRUE(body.StartOsThread());
  body.Join();
  EXPECT_NE(body.id_seen.load(), 0u);
  EXPECT_NE(body.id_seen.load(), Thread::CurrentId());
  EXPECT_EQ(body.os_handle(), 0u);
  EXPECT_EQ(body.os_thread_id(), 0u);
}

}  // namespace
}  // namespace nbase
