#include "base/ui_message_pump_linux.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "base/framework_thread.h"
#include "base/message_hook.h"
#include "base/message_loop_proxy.h"
#include "tests/base/test_support.h"

namespace nbase {
namespace {

using nbase_test::Journal;
using nbase_test::RunOn;

using nbase_test::WaitFor;
using nbase_test::WaitUntil;

class UiThread : public FrameworkThread {
 public:
  UiThread() : FrameworkThread("ui") {}
  bool Start() { return LaunchWith(kLoopWindows); }
  LinuxUIMessagePump* pump() { return static_cast<LinuxUIMessagePump*>(loop()->pump()); }
};

TEST(LinuxUIMessagePumpTest, ThousandPostsWhileBusyWakeOnce) {
  UiThread ui;
  ASSERT_TRUE(ui.Start());
  std::shared_ptr<MessageLoopProxy> proxy = ui.loop()->proxy();
  WaitableEvent busy, release;
  std::atomic<int> ran{0};
  std::atomic<int> wakes_at_start{0};
  proxy->Post([&] {
    wakes_at_start = ui.pump()->wake_ups_taken();
    busy.Signal();
    release.TimedWait(nbase_test::kWaitMs);
  });
  ASSERT_TRUE(WaitFor(busy));
  for (int i = 0; i < 1000; ++i) proxy->Post([&ran] { ++ran; });
  release.Signal();
  ASSERT_TRUE(WaitUntil([&] { return ran == 1000; }));
  // Either the busy task's own wake-up was still pending (and the posts added
  // none) or the first post made one: exactly one is taken after the start.
  EXPECT_EQ(ui.pump()->wake_ups_taken() - wakes_at_start, 1);
}

TEST(LinuxUIMessagePumpTest, WatchedDescriptorsRunTheirCallbacksOnTheLoopThread) {
  UiThread ui;
  ASSERT_TRUE(ui.Start());
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::atomic<int> reads{0};
  std::atomic<uint32_t> callback_thread{0};
  RunOn(ui, [&] {
    LinuxUIMessagePump* pump = LinuxUIMessagePump::ForThisThread();
    ASSERT_NE(pump, nullptr);
    EXPECT_TRUE(pump->WatchDescriptor(fds[0], POLLIN, [&](int fd, short) {
      char c;
      if (read(fd, &c, 1) == 1) ++reads;
      callback_thread = Thread::CurrentId();
      if (reads == 2) LinuxUIMessagePump::ForThisThread()->UnwatchDescriptor(fd);
    }));
    EXPECT_FALSE(pump->WatchDescriptor(fds[0], POLLIN, [](int, short) {}));
  });
  ASSERT_EQ(write(fds[1], "a", 1), 1);
  ASSERT_TRUE(WaitUntil([&] { return reads == 1; }));
  ASSERT_EQ(write(fds[1], "bc", 2), 2);
  ASSERT_TRUE(WaitUntil([&] { return reads == 2; }));
  EXPECT_EQ(callback_thread.load(), ui.os_thread_id());
  RunOn(ui, [&] { EXPECT_FALSE(ui.pump()->UnwatchDescriptor(fds[0])); });  // removed in the callback
  EXPECT_EQ(reads.load(), 2);  // "c" stays unread
  close(fds[0]);
  close(fds[1]);
}

TEST(LinuxUIMessagePumpTest, HookThatRefusesEndsTheRun) {
  class Refuse : public MessageHook {
   public:
    bool Accept(const NativeMessage& message) override {
      seen_fd = message.fd;
      return false;
    }
    int seen_fd = -1;
  };
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  Refuse hook;
  bool callback_ran = false;
  std::atomic<bool> done{false};
  std::thread runner([&] {
    class Here : public FrameworkThread {
     public:
      Here(int fd, bool* ran) : FrameworkThread("here"), fd_(fd), ran_(ran) {}
      void OnThreadStart() override {
        LinuxUIMessagePump::ForThisThread()->WatchDescriptor(fd_, POLLIN, [this](int, short) { *ran_ = true; });
      }
      int fd_;
      bool* ran_;
    } here(fds[0], &callback_ran);
    here.RunHere(kLoopWindows, &hook);
    done = true;
  });
  ASSERT_EQ(write(fds[1], "x", 1), 1);
  bool ended = WaitUntil([&] { return done.load(); });
  EXPECT_TRUE(ended);
  if (!ended) {
    runner.detach();  // cannot recover; the failure is reported
    return;
  }
  runner.join();
  EXPECT_EQ(hook.seen_fd, fds[0]);
  EXPECT_FALSE(callback_ran);  // the hook replaces the callback
  close(fds[0]);
  close(fds[1]);
}

// Another event loop lent to the pump: a pipe as its one descriptor, and a
// time-out of its own. Counts what reached it on the loop thread.
class PipeSource : public LinuxUIMessagePump::PollSource {
 public:
  PipeSource(int fd, int timeout_ms) : fd_(fd), timeout_ms_(timeout_ms) {}
  void Prepare(std::vector<pollfd>* fds, int* timeout_ms) override {
    fds->assign(1, pollfd{fd_, POLLIN, 0});
    if (timeout_ms_ >= 0 && (*timeout_ms < 0 || timeout_ms_ < *timeout_ms)) *timeout_ms = timeout_ms_;
  }
  bool Dispatch(std::vector<pollfd>* fds) override {
    ++dispatches;
    if (fds->size() != 1 || !((*fds)[0].revents & POLLIN)) return false;
    char c;
    if (read(fd_, &c, 1) == 1) ++reads;
    return true;
  }
  std::atomic<int> dispatches{0};
  std::atomic<int> reads{0};

 private:
  int fd_;
  int timeout_ms_;
};

TEST(LinuxUIMessagePumpTest, PollSourceSleepsWithTheLoopAndGetsItsDescriptorsAndTimeOut) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  {
    UiThread ui;
    ASSERT_TRUE(ui.Start());
    PipeSource source(fds[0], -1);
    RunOn(ui, [&] { ui.pump()->SetPollSource(&source); });
    // Its descriptor wakes the sleeping loop, and only its own readiness is
    // passed on.
    ASSERT_EQ(write(fds[1], "a", 1), 1);
    ASSERT_TRUE(WaitUntil([&] { return source.reads == 1; }));
    // Idle with nothing ready: a source without a time-out lets the loop sleep.
    const int settled = source.dispatches;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_LE(source.dispatches - settled, 1);
    RunOn(ui, [&] { ui.pump()->SetPollSource(nullptr); });
  }
  {
    // A source's time-out bounds the sleep: it is dispatched with nothing ready.
    UiThread ui;
    ASSERT_TRUE(ui.Start());
    PipeSource source(fds[0], 5);
    RunOn(ui, [&] { ui.pump()->SetPollSource(&source); });
    const int start = source.dispatches;
    ASSERT_TRUE(WaitUntil([&] { return source.dispatches - start >= 5; }));
    EXPECT_EQ(source.reads.load(), 0);
    RunOn(ui, [&] { ui.pump()->SetPollSource(nullptr); });
  }
  close(fds[0]);
  close(fds[1]);
}

}  // namespace
}  // namespace nbase
