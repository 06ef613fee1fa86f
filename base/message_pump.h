// A message pump decides how a loop's thread sleeps and wakes. It never sees a
// task: it calls back into its `Delegate` (the loop) to run one ready task,
// one due task or one idle task, and sleeps when none of them did anything.
//
// `Wake` may be called from any thread; everything else runs on the loop's
// thread. `WakeAt` is only called on the loop thread.
#ifndef BASE_MESSAGE_PUMP_H_
#define BASE_MESSAGE_PUMP_H_

#include <cstdint>

#include "base/time.h"

namespace nbase {

class MessageHook;

class MessagePump {
 public:
  class Delegate {
   public:
    virtual ~Delegate() = default;
    // Runs at most one immediate task; true when one ran.
    virtual bool RunReadyTask() = 0;
    // Runs at most one due delayed task; `next` receives the next run time
    // (0 when nothing is scheduled). True when a task ran.
    virtual bool RunDueTask(MonoTime* next) = 0;
    // Runs one deferred non-nestable task, or stops the pump when quit was
    // asked. True when a task ran.
    virtual bool RunWhenIdle() = 0;
  };

  virtual ~MessagePump() = default;

  // Runs until `StopRun`. `hook` is only used by UI pumps.
  virtual void RunWith(Delegate* delegate, MessageHook* hook) = 0;
  virtual void StopRun() = 0;
  virtual void Wake() = 0;
  virtual void WakeAt(MonoTime when) = 0;
};

// Milliseconds from `now` until `next_wakeup`: -1 when `next_wakeup` is 0 (no
// wake-up scheduled), 0 when it has passed, otherwise rounded up so a wait of
// that length never ends before the task is due.
int64_t MillisecondsToWakeup(MonoTime next_wakeup, MonoTime now);

// A wait length for the OS: -1 becomes `infinite`; longer waits are capped at
// 0xFFFFFFFE (the largest finite wait Windows accepts).
uint32_t ClampWaitMilliseconds(int64_t ms, uint32_t infinite);

// The interval of the UI pump's timer for a wake-up `ms` away: never below 10
// ms (the system's minimum) and capped like a wait.
uint32_t TimerIntervalFor(int64_t ms);

}  // namespace nbase

#endif  // BASE_MESSAGE_PUMP_H_
