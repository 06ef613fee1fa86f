#include "base/time.h"

#include <mutex>

namespace nbase {
namespace {

struct Clock {
  std::mutex lock;
  uint32_t (*ticks)() = nullptr;
  uint32_t last_reading = 0;
  bool has_reading = false;
  int64_t rollover_offset = 0;
};

Clock& TheClock() {
  static Clock clock;
  return clock;
}

}  // namespace

MonoTime CurrentTime() {
  Clock& clock = TheClock();
  std::lock_guard<std::mutex> hold(clock.lock);
  // Read under the lock: a reading taken earlier by a slower thread would
  // otherwise look like a roll-over.
  uint32_t reading = clock.ticks ? clock.ticks() : internal::SystemTicks();
  if (clock.has_reading && reading < clock.last_reading) clock.rollover_offset += int64_t{1} << 32;
  clock.last_reading = reading;
  clock.has_reading = true;
  return (static_cast<int64_t>(reading) + clock.rollover_offset) * 1000;
}

void SetTickSourceForTesting(uint32_t (*ticks)()) {
  Clock& clock = TheClock();
  std::lock_guard<std::mutex> hold(clock.lock);
  clock.ticks = ticks;
}

}  // namespace nbase
