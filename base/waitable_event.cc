#include "base/waitable_event.h"

#include <chrono>

namespace nbase {

void WaitableEvent::Signal() {
  // Notify under the lock: a waiter that sees the flag may destroy the event
  // as soon as it returns.
  std::lock_guard<std::mutex> hold(lock_);
  signalled_ = true;
  cv_.notify_one();
}

void WaitableEvent::Wait() {
  std::unique_lock<std::mutex> hold(lock_);
  cv_.wait(hold, [this] { return signalled_; });
  signalled_ = false;
}

bool WaitableEvent::TimedWait(int64_t milliseconds) {
  std::unique_lock<std::mutex> hold(lock_);
  if (!cv_.wait_for(hold, std::chrono::milliseconds(milliseconds), [this] { return signalled_; }))
    return false;
  signalled_ = false;
  return true;
}

}  // namespace nbase
