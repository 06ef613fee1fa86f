#include "base/message_pump_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/framework_thread.h"
#include "base/message_loop_proxy.h"
#include "tests/base/test_support.h"

namespace nbase {
namespace {

using nbase_test::Journal;
using nbase_test::RunOn;

using nbase_test::WaitFor;
using nbase_test::WaitUntil;

constexpr UINT kEndModal = WM_APP + 5;
constexpr UINT kStartNested = WM_APP + 6;
constexpr UINT_PTR kSafetyTimer = 77;

// A UI loop on a worker thread, with a plain test window that can run a
// modal loop (the way MessageBoxW does) until told to stop.
class UiThread : public FrameworkThread {
 public:
  UiThread() : FrameworkThread("ui") {}
  ~UiThread() override { Stop(); }
  bool Start() { return LaunchWith(kLoopWindows); }
  WinUIMessagePump* pump() { return static_cast<WinUIMessagePump*>(loop()->pump()); }
  HWND test_window() const { return test_window_; }

  // Runs a modal loop on the calling (UI) thread until kEndModal reaches the
  // test window, or five seconds pass (then `modal_timed_out` is set).
  void RunModalLoop() {
    modal_done_ = false;
    SetTimer(test_window_, kSafetyTimer, 5000, nullptr);
    MSG msg;
    while (!modal_done_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    KillTimer(test_window_, kSafetyTimer);
  }

  std::atomic<bool> modal_active{false};
  std::atomic<bool> modal_timed_out{false};
  std::function<void()> on_start_nested;

 protected:
  void OnThreadStart() override {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = &UiThread::TestWindowProc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"NbaseTestWindow";
    RegisterClassExW(&window_class);
    test_window_ = CreateWindowExW(0, L"NbaseTestWindow", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(test_window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  void OnThreadStop() override { DestroyWindow(test_window_); }

 private:
  static LRESULT CALLBACK TestWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<UiThread*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && message == kEndModal) self->modal_done_ = true;
    if (self && message == WM_TIMER && wparam == kSafetyTimer) {
      self->modal_timed_out = true;
      self->modal_done_ = true;
    }
    if (self && message == kStartNested) {
      // A window message handler entering a modal loop: posted tasks and
      // timers keep running inside it.
      self->modal_active = true;
      if (self->on_start_nested) self->on_start_nested();
      self->RunModalLoop();
      self->modal_active = false;
      return 0;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }

  HWND test_window_ = nullptr;
  bool modal_done_ = false;
};

// Counts kWakeMessage messages taken off the UI thread's queue.
std::atomic<int> g_wake_messages{0};
HWND g_pump_window = nullptr;

LRESULT CALLBACK CountWakeMessages(int code, WPARAM removed, LPARAM lparam) {
  const MSG* msg = reinterpret_cast<const MSG*>(lparam);
  if (code == HC_ACTION && removed == PM_REMOVE && msg->message == WinUIMessagePump::kWakeMessage &&
      msg->hwnd == g_pump_window)
    ++g_wake_messages;
  return CallNextHookEx(nullptr, code, removed, lparam);
}

TEST(WinUIMessagePumpTest, ThousandPostsWhileBusyPostOneWakeMessage) {
  UiThread ui;
  ASSERT_TRUE(ui.Start());
  HHOOK hook = nullptr;
  RunOn(ui, [&] {
    g_pump_window = ui.pump()->window();
    hook = SetWindowsHookExW(WH_GETMESSAGE, &CountWakeMessages, nullptr, GetCurrentThreadId());
  });
  ASSERT_NE(hook, nullptr);

  std::shared_ptr<MessageLoopProxy> proxy = ui.loop()->proxy();
  WaitableEvent busy, release;
  std::atomic<int> ran{0};
  std::atomic<int> wakes_at_start{0};
  proxy->Post([&] {
    wakes_at_start = g_wake_messages.load();
    busy.Signal();
    release.TimedWait(nbase_test::kWaitMs);
  });
  ASSERT_TRUE(WaitFor(busy));
  std::thread poster([&] {
    for (int i = 0; i < 1000; ++i) proxy->Post([&ran] { ++ran; });
  });
  poster.join();
  release.Signal();
  ASSERT_TRUE(WaitUntil([&] { return ran == 1000; }));
  EXPECT_EQ(g_wake_messages - wakes_at_start, 1);
  RunOn(ui, [&] { UnhookWindowsHookEx(hook); });
}

TEST(WinUIMessagePumpTest, TasksWaitForATaskThatRunsAModalLoop) {
  UiThread ui;
  ASSERT_TRUE(ui.Start());
  std::shared_ptr<MessageLoopProxy> proxy = ui.loop()->proxy();
  Journal journal;
  WaitableEvent in_modal;
  proxy->Post([&] {
    in_modal.Signal();
    ui.RunModalLoop();
    journal.Note("modal ended");
  });
  ASSERT_TRUE(WaitFor(in_modal));
  proxy->Post([&] { journal.Note("posted"); });
  proxy->PostAfter([&] { journal.Note("delayed"); }, TimeDelta::FromMilliseconds(3));
  Sleep(150);  // the modal loop dispatches the wake message and the timer meanwhile
  EXPECT_TRUE(journal.entries().empty());
  PostMessageW(ui.test_window(), kEndModal, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return journal.entries().size() == 3; }));
  EXPECT_FALSE(ui.modal_timed_out);
  EXPECT_EQ(journal.entries(), (std::vector<std::string>{"modal ended", "posted", "delayed"}));
}

TEST(WinUIMessagePumpTest, ModalLoopOfAWindowMessageStillRunsTasksAndTimers) {
  UiThread ui;
  ASSERT_TRUE(ui.Start());
  std::shared_ptr<MessageLoopProxy> proxy = ui.loop()->proxy();
  Journal journal;
  WaitableEvent in_modal;
  ui.on_start_nested = [&] { in_modal.Signal(); };
  PostMessageW(ui.test_window(), kStartNested, 0, 0);
  ASSERT_TRUE(WaitFor(in_modal));

  HWND window = ui.test_window();
  proxy->Post([&] { journal.Note(ui.modal_active ? "task in modal" : "task outside"); });
  proxy->PostAfter([&, window] {
    journal.Note(ui.modal_active ? "delayed in modal" : "delayed outside");
    PostMessageW(window, kEndModal, 0, 0);
  }, TimeDelta::FromMilliseconds(3));  // served by the pump's 10 ms timer
  ASSERT_TRUE(WaitUntil([&] { return journal.entries().size() == 2; }));
  EXPECT_EQ(journal.entries(), (std::vector<std::string>{"task in modal", "delayed in modal"}));
  ASSERT_TRUE(WaitUntil([&] { return !ui.modal_active.load(); }));
  EXPECT_FALSE(ui.modal_timed_out);
}

class Dispatched : public WinUIMessagePump::UIObserver {
 public:
  void WillProcessMessage(const MSG& msg) override {
    if (msg.message == WM_APP + 9) ++before;
  }
  void DidProcessMessage(const MSG& msg) override {
    if (msg.message == WM_APP + 9) ++after;
  }
  std::atomic<int> before{0}, after{0};
};

TEST(WinUIMessagePumpTest, QuitMessageEndsTheRunAndIsPostedAgain) {
  class QuitThread : public FrameworkThread {
   public:
    QuitThread() : FrameworkThread("quit") {}
    ~QuitThread() override { Stop(); }
    std::atomic<int> quit_code_seen{-1};

   protected:
    void OnThreadStop() override {
      MSG msg;
      if (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) quit_code_seen = static_cast<int>(msg.wParam);
    }
  };
  QuitThread ui;
  ASSERT_TRUE(ui.LaunchWith(kLoopWindows));
  Dispatched observer;
  WaitableEvent added;
  ui.loop()->proxy()->Post([&] {
    static_cast<WinUIMessagePump*>(MessageLoop::ForThisThread()->pump())->AddUIObserver(&observer);
    PostThreadMessageW(GetCurrentThreadId(), WM_APP + 9, 0, 0);
    added.Signal();
  });
  ASSERT_TRUE(WaitFor(added));
  ASSERT_TRUE(WaitUntil([&] { return observer.after == 1; }));
  EXPECT_EQ(observer.before.load(), 1);
  ui.loop()->proxy()->Post([] { PostQuitMessage(7); });
  ASSERT_TRUE(WaitUntil([&] { return ui.loop() == nullptr; }));
  EXPECT_EQ(ui.quit_code_seen.load(), 7);
}

class Completion : public WinIOMessagePump::CompletionTarget {
 public:
  void OnCompletion(WinIOMessagePump::CompletionRecord* context, DWORD bytes, DWORD error) override {
    record = context;
    bytes_seen = bytes;
    error_seen = error;
    thread_seen = GetCurrentThreadId();
    done.Signal();
  }
  WinIOMessagePump::CompletionRecord* record = nullptr;
  DWORD bytes_seen = 0, error_seen = 99;
  DWORD thread_seen = 0;
  WaitableEvent done;
};

TEST(WinIOMessagePumpTest, RunsTasksAndHandsCompletionsToTheirTarget) {
  FrameworkThread io("io");
  ASSERT_TRUE(io.LaunchWith(kLoopCompletion));
  auto* pump = static_cast<WinIOMessagePump*>(io.loop()->pump());
  std::atomic<int> ran{0};
  WaitableEvent delayed;
  for (int i = 0; i < 100; ++i) io.loop()->proxy()->Post([&ran] { ++ran; });
  io.loop()->proxy()->PostAfter([&] { delayed.Signal(); }, TimeDelta::FromMilliseconds(5));
  ASSERT_TRUE(WaitFor(delayed));
  EXPECT_EQ(ran.load(), 100);

  Completion target;
  WinIOMessagePump::CompletionRecord record;
  record.handler = &target;
  PostQueuedCompletionStatus(pump->port(), 123, reinterpret_cast<ULONG_PTR>(&target), &record.overlapped);
  ASSERT_TRUE(WaitFor(target.done));
  EXPECT_EQ(target.record, &record);
  EXPECT_EQ(target.bytes_seen, 123u);
  EXPECT_EQ(target.error_seen, 0u);
  EXPECT_EQ(target.thread_seen, io.os_thread_id());

  // A record whose owner has let go is deleted by the pump, and the loop goes on.
  auto* orphan = new WinIOMessagePump::CompletionRecord;
  PostQueuedCompletionStatus(pump->port(), 1, 0, &orphan->overlapped);
  WaitableEvent after;
  io.loop()->proxy()->Post([&] { after.Signal(); });
  EXPECT_TRUE(WaitFor(after));
}

HANDLE g_sleeper_started = nullptr;
void SleepLong(Thread*) {
  SetEvent(g_sleeper_started);
  Sleep(30000);
}
bool FailingWait(OsThreadHandle) { return false; }

TEST(ThreadJoinTest, FailedWaitTerminatesTheThreadAndClosesTheHandle) {
  uint32_t id = 0;
  g_sleeper_started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  OsThreadHandle handle = internal::StartOsThread(&SleepLong, nullptr, &id);
  ASSERT_NE(handle, 0u);
  // Terminating a thread that is still being set up by the system can take the
  // process down with it (Wine does); end it once it is asleep in our code.
  ASSERT_EQ(WaitForSingleObject(g_sleeper_started, 5000), WAIT_OBJECT_0);
  Sleep(50);
  HANDLE copy = nullptr;
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), reinterpret_cast<HANDLE>(handle), GetCurrentProcess(), &copy,
                              0, FALSE, DUPLICATE_SAME_ACCESS));
  internal::JoinOsThread(handle, &FailingWait);

  EXPECT_EQ(WaitForSingleObject(copy, 5000), WAIT_OBJECT_0);  // terminated, not slept out
  DWORD exit_code = 1;
  EXPECT_TRUE(GetExitCodeThread(copy, &exit_code));
  EXPECT_EQ(exit_code, 0u);
  DWORD flags = 0;
  EXPECT_FALSE(GetHandleInformation(reinterpret_cast<HANDLE>(handle), &flags));  // closed
  CloseHandle(copy);
  CloseHandle(g_sleeper_started);
}

}  // namespace
}  // namespace nbase
