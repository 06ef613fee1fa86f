#include "base/default_message_pump.h"

namespace nbase {

void DefaultMessagePump::RunWith(Delegate* delegate, MessageHook*) {
  for (;;) {
    bool did_work = delegate->RunReadyTask();
    if (stop_requested_) break;
    did_work |= delegate->RunDueTask(&next_wakeup_);
    if (stop_requested_) break;
    if (did_work) continue;

    did_work = delegate->RunWhenIdle();
    if (stop_requested_) break;
    if (did_work) continue;

    if (next_wakeup_ == 0) {
      event_.Wait();
      continue;
    }
    int64_t ms = MillisecondsToWakeup(next_wakeup_, CurrentTime());
    if (ms <= 0) {
      next_wakeup_ = 0;
      continue;
    }
    event_.TimedWait(ms);
  }
  stop_requested_ = false;
}

}  // namespace nbase
