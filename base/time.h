// Monotonic time for the message loops.
//
// `MonoTime` is a point in time in microseconds (0 means "no time"), built from
// a 32-bit millisecond tick counter (timeGetTime on Windows, the monotonic
// clock on Linux). The counter wraps every 49.7 days; `CurrentTime()` adds
// 2^32 ms to a process-wide offset each time a reading is smaller than the
// previous one, so the result keeps increasing. Callable from any thread: the
// reading and the offset are taken under one lock so that concurrent callers
// agree on the roll-over.
#ifndef BASE_TIME_H_
#define BASE_TIME_H_

#include <compare>
#include <cstdint>
#include <ctime>

namespace nbase {

using MonoTime = int64_t;

// A signed duration in microseconds.
class TimeDelta {
 public:
  constexpr TimeDelta() = default;

  static constexpr TimeDelta FromMicroseconds(int64_t us) { return TimeDelta(us); }
  static constexpr TimeDelta FromMilliseconds(int64_t ms) { return TimeDelta(ms * 1000); }
  static constexpr TimeDelta FromSeconds(int64_t s) { return TimeDelta(s * 1000 * 1000); }

  constexpr int64_t ToMicroseconds() const { return us_; }
  constexpr int64_t ToMilliseconds() const { return us_ / 1000; }

  constexpr TimeDelta operator+(TimeDelta other) const { return TimeDelta(us_ + other.us_); }
  constexpr TimeDelta operator-(TimeDelta other) const { return TimeDelta(us_ - other.us_); }
  constexpr auto operator<=>(const TimeDelta&) const = default;

 private:
  constexpr explicit TimeDelta(int64_t us) : us_(us) {}
  int64_t us_ = 0;
};

constexpr MonoTime operator+(MonoTime t, TimeDelta d) { return t + d.ToMicroseconds(); }

// Now, in microseconds, with millisecond resolution.
MonoTime CurrentTime();

// The local wall-clock time, broken down (for time stamps in reports).
std::tm LocalTimeNow();

// Replaces the 32-bit millisecond tick source (nullptr restores the real one).
// The roll-over offset is kept, so a fake source can walk across the wrap.
void SetTickSourceForTesting(uint32_t (*ticks)());

namespace internal {
// The platform's 32-bit millisecond counter.
uint32_t SystemTicks();
}  // namespace internal

}  // namespace nbase

#endif  // BASE_TIME_H_
