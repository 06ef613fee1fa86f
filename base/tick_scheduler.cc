#include "base/tick_scheduler.h"

#include <algorithm>
#include <utility>

namespace nbase {
namespace {

template <class Entry>
bool LaterDue(const Entry& a, const Entry& b) {
  return a.due_ticks > b.due_ticks;  // makes the heap's top the earliest
}

}  // namespace

TickScheduler& TickScheduler::Instance() {
  // Never destroyed: the system timer's thread may still be delivering a tick
  // while static objects are torn down at exit.
  static TickScheduler* const instance = new TickScheduler();
  return *instance;
}

TickScheduler::TickScheduler()
    : counter_rate_(internal::CounterRate()),
      source_(internal::TickSource::Create([this] { ServiceDue(); })) {}

int TickScheduler::TicksPostedForTesting() const { return source_ ? source_->ticks_posted() : 0; }

bool TickScheduler::Schedule(std::weak_ptr<WeakFlag> flag, Closure action, uint32_t delay_ms, int runs) {
  if (!action || !source_) return false;
  TickEntry entry;
  // Split so that a counter of several GHz times 49 days of milliseconds
  // cannot overflow.
  entry.interval_ticks =
      counter_rate_ / 1000 * int64_t{delay_ms} + counter_rate_ % 1000 * int64_t{delay_ms} / 1000;
  entry.due_ticks = internal::CounterNow() + entry.interval_ticks;
  entry.runs_left = runs;
  entry.action = std::move(action);
  entry.flag_ref = std::move(flag);
  Push(std::move(entry));
  if (period_ms_ == 0 || !fast_mode_) {
    SetPeriod(kFastPeriodMs);
    fast_mode_ = true;
  }
  return true;
}

void TickScheduler::Push(TickEntry entry) {
  if (pass_now_ >= 0) entry.due_ticks = std::max(entry.due_ticks, pass_now_ + 1);
  entries_.push_back(std::move(entry));
  std::push_heap(entries_.begin(), entries_.end(), LaterDue<TickEntry>);
}

void TickScheduler::ServiceDue() {
  const int64_t now = internal::CounterNow();
  // An action may run a nested message loop that services ticks itself; the
  // inner pass sees a later `now`, and this pass goes on with its own.
  const int64_t outer_pass_now = pass_now_;
  pass_now_ = now;
  while (!entries_.empty() && entries_.front().due_ticks <= now) {
    std::pop_heap(entries_.begin(), entries_.end(), LaterDue<TickEntry>);
    TickEntry entry = std::move(entries_.back());
    entries_.pop_back();
    if (entry.flag_ref.expired()) continue;
    entry.action();
    if (entry.flag_ref.expired()) continue;  // the owner died in its own callback
    bool repeat = entry.runs_left == -1 || (entry.runs_left > 0 && --entry.runs_left > 0);
    if (!repeat) continue;
    entry.due_ticks = now + entry.interval_ticks;
    Push(std::move(entry));
  }
  pass_now_ = outer_pass_now;
  ArmFor(now);
}

void TickScheduler::ArmFor(int64_t now) {
  if (entries_.empty()) {
    SetPeriod(0);
    return;
  }
  int64_t remaining = entries_.front().due_ticks - now;
  if (remaining >= counter_rate_) {
    // A little late rather than early; then it looks again.
    double period = static_cast<double>(remaining) * 1000.0 / static_cast<double>(counter_rate_) + 2.0;
    SetPeriod(static_cast<uint32_t>(std::min(period, double{kSlowPeriodMaxMs})));
    fast_mode_ = false;
  } else if (!fast_mode_ || period_ms_ == 0) {
    SetPeriod(kFastPeriodMs);
    fast_mode_ = true;
  }
}

void TickScheduler::SetPeriod(uint32_t period_ms) {
  if (period_ms == 0)
    source_->Stop();
  else
    source_->Start(period_ms);
  period_ms_ = period_ms;
}

}  // namespace nbase
