#include "base/message_pump.h"

namespace nbase {

int64_t MillisecondsToWakeup(MonoTime next_wakeup, MonoTime now) {
  if (next_wakeup == 0) return -1;
  int64_t remaining_us = next_wakeup - now;
  if (remaining_us <= 0) return 0;
  return (remaining_us + 999) / 1000;  // rounded up
}

uint32_t ClampWaitMilliseconds(int64_t ms, uint32_t infinite) {
  if (ms < 0) return infinite;
  if (ms > 0xFFFFFFFE) return 0xFFFFFFFE;
  return static_cast<uint32_t>(ms);
}

uint32_t TimerIntervalFor(int64_t ms) {
  if (ms < 10) return 10;
  if (ms > 0xFFFFFFFE) return 0xFFFFFFFE;
  return static_cast<uint32_t>(ms);
}

}  // namespace nbase
