// The Windows pumps (Windows builds only).
//
// `WinUIMessagePump` runs the UI thread: it dispatches window messages and runs
// tasks in between. Posts wake it with one private message, `kWakeMessage`,
// sent to a hidden message-only window of class "TavorinMessagePumpWindow"; at
// most one is in flight per pump (`wake_pending`). Delayed tasks are also backed
// by one timer on that window (timer id = the pump, at least 10 ms), so they
// still run when another message loop (a modal dialog, a menu) owns the thread:
// that loop dispatches the wake message and the timer to the window procedure,
// which runs tasks if `tasks_may_run` allows it.
//
// `WinIOMessagePump` runs an I/O thread on a completion port; wake-ups are
// packets whose key and overlapped pointer are the pump itself.
//
// Both live on their loop's thread; only `Wake` is called from other threads.
#ifndef BASE_MESSAGE_PUMP_WIN_H_
#define BASE_MESSAGE_PUMP_WIN_H_

#include <windows.h>

#include <atomic>

#include "base/message_pump.h"
#include "base/observer_list.h"

namespace nbase {

class WinMessagePump : public MessagePump {
 public:
  void RunWith(Delegate* delegate, MessageHook* hook) override;
  void StopRun() override;

  // Milliseconds until `next_wakeup`: -1 when none, 0 when already due.
  int64_t MillisecondsToWakeup() const;

  bool running() const { return state_ != nullptr; }

 protected:
  struct RunState {
    int depth = 1;
    bool stop_requested = false;
    Delegate* client = nullptr;
    MessageHook* message_hook = nullptr;
  };

  virtual void Spin() = 0;

  RunState* state_ = nullptr;
  MonoTime next_wakeup_ = 0;
  std::atomic<LONG> wake_pending_{0};
};

class WinUIMessagePump : public WinMessagePump {
 public:
  static constexpr UINT kWakeMessage = WM_USER + 1;  // 1025

  class UIObserver {
   public:
    virtual ~UIObserver() = default;
    virtual void WillProcessMessage(const MSG& msg) = 0;
    virtual void DidProcessMessage(const MSG& msg) = 0;
  };

  WinUIMessagePump();
  ~WinUIMessagePump() override;

  void Wake() override;
  void WakeAt(MonoTime when) override;

  void AddUIObserver(UIObserver* o) { ui_observers_.AddObserver(o); }
  void RemoveUIObserver(UIObserver* o) { ui_observers_.RemoveObserver(o); }

  HWND window() const { return window_; }

 protected:
  void Spin() override;
  virtual void BeforeMessage(const MSG& msg);
  virtual void AfterMessage(const MSG& msg);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  void OnTimerMessage();
  void OnWakeMessage();
  bool HandleOneMessage(const MSG& msg);
  bool TakeMessageInstead();
  void WaitForWork();

  HWND window_ = nullptr;
  ObserverList<UIObserver> ui_observers_;
};

class WinIOMessagePump : public WinMessagePump {
 public:
  struct CompletionRecord;

  // Owner of overlapped operations whose completions the pump hands back.
  class CompletionTarget {
   public:
    virtual ~CompletionTarget() = default;
    virtual void OnCompletion(CompletionRecord* context, DWORD bytes_transferred, DWORD error) = 0;
  };

  // Passed as the OVERLAPPED of an operation. A record whose handler is null
  // when it completes is deleted by the pump.
  struct CompletionRecord {
    OVERLAPPED overlapped{};
    CompletionTarget* handler = nullptr;
  };

  class IOObserver {
   public:
    virtual ~IOObserver() = default;
    virtual void WillProcessIO() = 0;
    virtual void DidProcessIO() = 0;
  };

  WinIOMessagePump();
  ~WinIOMessagePump() override;

  void Wake() override;
  void WakeAt(MonoTime when) override { next_wakeup_ = when; }

  void AddIOObserver(IOObserver* o) { io_observers_.AddObserver(o); }
  void RemoveIOObserver(IOObserver* o) { io_observers_.RemoveObserver(o); }

  HANDLE port() const { return port_; }

 protected:
  void Spin() override;

 private:
  bool TakeCompletion(DWORD timeout_ms);

  HANDLE port_ = nullptr;
  ObserverList<IOObserver> io_observers_;
};

}  // namespace nbase

#endif  // BASE_MESSAGE_PUMP_WIN_H_
