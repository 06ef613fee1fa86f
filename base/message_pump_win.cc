#include "base/message_pump_win.h"

#include "base/message_hook.h"

namespace nbase {
namespace {

constexpr wchar_t kPumpWindowClass[] = L"TavorinMessagePumpWindow";
constexpr UINT kMouseLast = 0x20D;  // WM_MOUSELAST including the horizontal wheel
constexpr int kMsgFilterCode = 0x5001;

}  // namespace

// --- WinMessagePump -------------------------------------------------------

void WinMessagePump::RunWith(Delegate* delegate, MessageHook* hook) {
  RunState state;
  state.depth = state_ ? state_->depth + 1 : 1;
  state.client = delegate;
  state.message_hook = hook;
  RunState* previous = state_;
  state_ = &state;
  Spin();
  state_ = previous;
}

void WinMessagePump::StopRun() {
  if (state_) state_->stop_requested = true;
}

int64_t WinMessagePump::MillisecondsToWakeup() const {
  if (next_wakeup_ == 0) return -1;
  return nbase::MillisecondsToWakeup(next_wakeup_, CurrentTime());
}

// --- WinUIMessagePump -----------------------------------------------------

WinUIMessagePump::WinUIMessagePump() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = &WinUIMessagePump::WindowProc;
  window_class.hInstance = instance;
  window_class.lpszClassName = kPumpWindowClass;
  RegisterClassExW(&window_class);  // fails harmlessly when another pump registered it
  window_ = CreateWindowExW(0, kPumpWindowClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            instance, nullptr);
  if (window_) SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

WinUIMessagePump::~WinUIMessagePump() {
  if (window_) {
    KillTimer(window_, reinterpret_cast<UINT_PTR>(this));
    DestroyWindow(window_);
  }
  UnregisterClassW(kPumpWindowClass, GetModuleHandleW(nullptr));  // fails while other pumps live
}

void WinUIMessagePump::Wake() {
  if (wake_pending_.exchange(1) != 0) return;
  PostMessageW(window_, kWakeMessage, reinterpret_cast<WPARAM>(this), 0);
}

void WinUIMessagePump::WakeAt(MonoTime when) {
  next_wakeup_ = when;
  SetTimer(window_, reinterpret_cast<UINT_PTR>(this), TimerIntervalFor(MillisecondsToWakeup()), nullptr);
}

void WinUIMessagePump::Spin() {
  RunState* state = state_;
  for (;;) {
    DWORD status = GetQueueStatus(QS_SENDMESSAGE);
    MSG msg;
    bool more_work;
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
      more_work = HandleOneMessage(msg);
    else
      more_work = (HIWORD(status) & QS_SENDMESSAGE) != 0;  // the peek just delivered them
    if (state->stop_requested) break;

    more_work |= state->client->RunReadyTask();
    if (state->stop_requested) break;

    more_work |= state->client->RunDueTask(&next_wakeup_);
    if (more_work && next_wakeup_ == 0) KillTimer(window_, reinterpret_cast<UINT_PTR>(this));
    if (state->stop_requested) break;
    if (more_work) continue;

    more_work = state->client->RunWhenIdle();
    if (state->stop_requested) break;
    if (more_work) continue;

    WaitForWork();
    if (state->stop_requested) break;
  }
}

void WinUIMessagePump::WaitForWork() {
  DWORD timeout = ClampWaitMilliseconds(MillisecondsToWakeup(), INFINITE);
  DWORD result = MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  if (result != WAIT_OBJECT_0) return;
  // Mouse input that no peek can see (it belongs to another thread's capture)
  // would make the wait return at once for ever; wait for new messages instead.
  DWORD status = GetQueueStatus(QS_MOUSE);
  MSG msg;
  if ((HIWORD(status) & QS_MOUSE) && !PeekMessageW(&msg, nullptr, WM_MOUSEFIRST, kMouseLast, PM_NOREMOVE))
    WaitMessage();
}

bool WinUIMessagePump::HandleOneMessage(const MSG& msg) {
  if (msg.message == WM_QUIT) {
    state_->stop_requested = true;
    PostQuitMessage(static_cast<int>(msg.wParam));  // so outer loops end too
    return false;
  }
  if (msg.message == kWakeMessage && msg.hwnd == window_) return TakeMessageInstead();

  MSG copy = msg;
  if (CallMsgFilterW(&copy, kMsgFilterCode)) return true;

  BeforeMessage(msg);
  if (!state_->message_hook) {
    TranslateMessage(&copy);
    DispatchMessageW(&copy);
  } else if (!state_->message_hook->Accept(msg)) {
    state_->stop_requested = true;
  }
  AfterMessage(msg);
  return true;
}

bool WinUIMessagePump::TakeMessageInstead() {
  // Handle one ordinary message in place of the wake-up, so a stream of posted
  // tasks cannot starve input and painting; the wake-up is re-posted.
  MSG msg;
  bool have_message = PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE;
  wake_pending_.exchange(0);
  if (!have_message) return false;
  Wake();
  return HandleOneMessage(msg);
}

void WinUIMessagePump::BeforeMessage(const MSG& msg) {
  ui_observers_.Notify([&msg](UIObserver* o) { o->WillProcessMessage(msg); });
}

void WinUIMessagePump::AfterMessage(const MSG& msg) {
  ui_observers_.Notify([&msg](UIObserver* o) { o->DidProcessMessage(msg); });
}

void WinUIMessagePump::OnTimerMessage() {
  KillTimer(window_, reinterpret_cast<UINT_PTR>(this));
  if (!state_) return;
  state_->client->RunDueTask(&next_wakeup_);
  if (next_wakeup_ != 0) WakeAt(next_wakeup_);
}

void WinUIMessagePump::OnWakeMessage() {
  if (!state_) {
    wake_pending_.exchange(0);
    return;
  }
  TakeMessageInstead();
  if (state_ && state_->client->RunReadyTask()) Wake();
}

// Reached only when another message loop (a modal dialog's, a menu's)
// dispatches the pump's own messages.
LRESULT CALLBACK WinUIMessagePump::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_TIMER || message == kWakeMessage) {
    auto* pump = reinterpret_cast<WinUIMessagePump*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (pump && wparam == reinterpret_cast<WPARAM>(pump)) {
      if (message == WM_TIMER)
        pump->OnTimerMessage();
      else
        pump->OnWakeMessage();
    }
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace nbase
