#include "app/startup/main_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/startup/thread_ids.h"
#include "base/message_loop.h"
#include "base/thread_registry.h"
#include "fake_prompt.h"

namespace {

using namespace std::chrono_literals;

bool Registered(int id) { return nbase::ThreadRegistry::Get().ProxyForIdentifier(id) != nullptr; }

template <class Predicate>
bool WaitFor(Predicate predicate, std::chrono::milliseconds limit = 10000ms) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!predicate()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

TEST(MainThreadTest, CancelledPromptEndsTheLoopWithNothingSetUp) {
  const std::wstring name = UniqueInstanceName(L"main-cancel");
  auto other_copy = InstanceLock::TryAcquire(name);
  ASSERT_NE(other_copy, nullptr);
  FakePrompt prompt({PromptAnswer::kCancel});
  {
    MainThread main_thread(&prompt, name);
    // Returns only if the quit was posted (a hang is failed by ctest's time-out).
    main_thread.RunHere(nbase::kLoopWindows);
    EXPECT_EQ(prompt.asked, 1);
    EXPECT_FALSE(main_thread.holds_instance_lock());
    EXPECT_EQ(main_thread.misc_thread(), nullptr);
    EXPECT_EQ(main_thread.http_thread(), nullptr);
  }
  EXPECT_FALSE(Registered(kUiThreadId));
  EXPECT_FALSE(Registered(kMiscThreadId));
  EXPECT_FALSE(Registered(kHttpThreadId));
}

TEST(MainThreadTest, SetUpRegistersTheUiThreadAndBothWorkers) {
  FakePrompt prompt({});
  std::atomic<bool> workers_seen{false};
  std::atomic<bool> misc_ran{false}, http_ran{false};
  std::thread observer([&] {
    if (!WaitFor([] { return Registered(kUiThreadId); })) return;
    // A UI task runs only once OnThreadStart has returned, when both workers
    // must be reachable.
    nbase::ThreadRegistry::Get().Post(kUiThreadId, [&] {
      workers_seen = Registered(kMiscThreadId) && Registered(kHttpThreadId);
      nbase::ThreadRegistry::Get().Post(kMiscThreadId, [&] { misc_ran = true; });
      nbase::ThreadRegistry::Get().Post(kHttpThreadId, [&] { http_ran = true; });
      nbase::MessageLoop::QuitCurrentWhenIdle();
    });
  });
  {
    MainThread main_thread(&prompt, UniqueInstanceName(L"main-setup"));
    main_thread.RunHere(nbase::kLoopWindows);
    observer.join();
    EXPECT_EQ(prompt.asked, 0);
    EXPECT_TRUE(main_thread.holds_instance_lock());
    EXPECT_TRUE(workers_seen);
    ASSERT_NE(main_thread.misc_thread(), nullptr);
    ASSERT_NE(main_thread.http_thread(), nullptr);
    EXPECT_EQ(main_thread.misc_thread()->label(), "Global Misc Thread");
    EXPECT_EQ(main_thread.http_thread()->label(), "http Thread");
    // The loop is over: the UI thread is no longer a target; the workers are
    // until MainThread goes.
    EXPECT_FALSE(Registered(kUiThreadId));
    EXPECT_TRUE(Registered(kMiscThreadId));
  }
  // Destroying MainThread ran the workers' due tasks and joined them.
  EXPECT_TRUE(misc_ran);
  EXPECT_TRUE(http_ran);
  EXPECT_FALSE(Registered(kMiscThreadId));
  EXPECT_FALSE(Registered(kHttpThreadId));
}

}  // namespace
