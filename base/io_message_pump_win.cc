#include "base/message_pump_win.h"

namespace nbase {

WinIOMessagePump::WinIOMessagePump() {
  port_ = CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1);
}

WinIOMessagePump::~WinIOMessagePump() {
  if (port_) CloseHandle(port_);
}

void WinIOMessagePump::Wake() {
  if (wake_pending_.exchange(1) != 0) return;
  PostQueuedCompletionStatus(port_, 0, reinterpret_cast<ULONG_PTR>(this),
                             reinterpret_cast<OVERLAPPED*>(this));
}

void WinIOMessagePump::Spin() {
  RunState* state = state_;
  for (;;) {
    bool more_work = state->client->RunReadyTask();
    if (state->stop_requested) break;
    more_work |= TakeCompletion(0);
    if (state->stop_requested) break;
    more_work |= state->client->RunDueTask(&next_wakeup_);
    if (state->stop_requested) break;
    if (more_work) continue;

    more_work = state->client->RunWhenIdle();
    if (state->stop_requested) break;
    if (more_work) continue;

    TakeCompletion(ClampWaitMilliseconds(MillisecondsToWakeup(), INFINITE));
    if (state->stop_requested) break;
  }
}

bool WinIOMessagePump::TakeCompletion(DWORD timeout_ms) {
  DWORD bytes = 0;
  ULONG_PTR key = 0;
  OVERLAPPED* overlapped = nullptr;
  DWORD error = 0;
  if (!GetQueuedCompletionStatus(port_, &bytes, &key, &overlapped, timeout_ms)) {
    if (!overlapped) return false;  // time-out
    error = GetLastError();         // a failed operation: its handler hears about it
    bytes = 0;
  }
  if (key == reinterpret_cast<ULONG_PTR>(this) && overlapped == reinterpret_cast<OVERLAPPED*>(this)) {
    wake_pending_.exchange(0);
    return true;
  }
  auto* record = reinterpret_cast<CompletionRecord*>(overlapped);
  if (record->handler) {
    io_observers_.Notify([](IOObserver* o) { o->WillProcessIO(); });
    record->handler->OnCompletion(record, bytes, error);
    io_observers_.Notify([](IOObserver* o) { o->DidProcessIO(); });
  } else {
    delete record;  // its owner gave up on it
  }
  return true;
}

}  // namespace nbase
