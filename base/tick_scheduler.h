// The UI thread's timer service.
//
// `TickScheduler` runs closures after a delay in milliseconds, once, a given
// number of times, or until their owner dies. Every timer is tied to a weak
// flag (a `SupportWeakCallback` owner or a `WeakCallbackFlag` member): when the
// flag is gone the timer is dropped, unrun, the next time it comes due.
//
//   TickScheduler::Instance().Schedule(caret_flag_.FlagReference(),
//                                      [this] { ToggleCaret(); }, 500, -1);
//
// One system timer serves every timer of the process. While the earliest
// timer is due within a second it ticks every 16 ms; when the earliest is
// further away it ticks once, a little after it is due (a period clamped to
// one minute, after which it looks again); with no timers it does not run at
// all, so an idle thread is never woken. A tick that comes while the previous
// one is still waiting for the thread adds nothing: a blocked thread finds one
// tick and services everything that became due at once.
//
// The service is created on first use on the thread that first uses it (the
// UI thread) and belongs to that thread: `Schedule` and every action run there.
// That thread must pump: on Windows a message loop (the timer posts to a hidden
// window), on Linux the UI loop (the timer is a descriptor its pump watches).
// It lives until the process ends.
#ifndef BASE_TICK_SCHEDULER_H_
#define BASE_TICK_SCHEDULER_H_

#include <cstdint>
#include <memory>
#include <vector>

#include "base/callback.h"
#include "base/weak_callback.h"

namespace nbase {

namespace internal {
class TickSource;
}

class TickScheduler {
 public:
  // The tick period while a timer is due within a second.
  static constexpr uint32_t kFastPeriodMs = 16;
  // The longest single wait while every timer is further away.
  static constexpr uint32_t kSlowPeriodMaxMs = 60 * 1000;

  static TickScheduler& Instance();

  // Runs `action` `delay_ms` milliseconds from now, on this thread, for as
  // long as `flag` lives: `runs` -1 repeats until then, n > 0 runs it n times,
  // 0 or another negative value once. A repeating timer's next run counts from
  // the tick in which it ran, so late runs push later ones back. A timer runs
  // at most once per tick, even with `delay_ms` 0.
  // False (and nothing scheduled) for an empty action, or when the thread has
  // no wake-up source (on Linux: it does not run a UI loop).
  bool Schedule(std::weak_ptr<WeakFlag> flag, Closure action, uint32_t delay_ms, int runs);

  // The period of the running system timer in milliseconds; 0 when none runs.
  uint32_t PeriodForTesting() const { return period_ms_; }
  // Ticks handed to the thread so far (ticks that found one pending add none).
  int TicksPostedForTesting() const;

 private:
  struct TickEntry {
    Closure action;
    int64_t interval_ticks = 0;
    int32_t runs_left = 0;
    int64_t due_ticks = 0;
    std::weak_ptr<WeakFlag> flag_ref;
  };

  TickScheduler();

  // Runs every timer that is due, then sets the system timer for the next.
  void ServiceDue();
  // Chooses the tick period for the earliest timer as seen at `now`.
  void ArmFor(int64_t now);
  void SetPeriod(uint32_t period_ms);
  void Push(TickEntry entry);

  int64_t counter_rate_ = 0;  // counter ticks per second
  std::vector<TickEntry> entries_;  // a heap, earliest due_ticks on top
  bool fast_mode_ = true;
  uint32_t period_ms_ = 0;
  // While a servicing pass runs: the counter value it services up to. Timers
  // added or re-armed meanwhile are due strictly later, so a pass always ends.
  int64_t pass_now_ = -1;
  std::unique_ptr<internal::TickSource> source_;
};

namespace internal {

// The system half (tick_scheduler_win.cc / tick_scheduler_linux.cc): a
// high-resolution counter and one periodic timer that delivers its ticks to
// the thread that created it.
class TickSource {
 public:
  // Binds to the calling thread; `on_tick` runs there once per delivered tick.
  // Null when the thread cannot receive ticks.
  static std::unique_ptr<TickSource> Create(Closure on_tick);

  virtual ~TickSource() = default;
  // Starts (or restarts) the periodic timer.
  virtual void Start(uint32_t period_ms) = 0;
  virtual void Stop() = 0;
  virtual int ticks_posted() const = 0;
};

// The monotonic counter and its ticks per second.
int64_t CounterNow();
int64_t CounterRate();

}  // namespace internal

}  // namespace nbase

#endif  // BASE_TICK_SCHEDULER_H_
