#include "app/download/stall_watch.h"

bool StallWatch::Stalled(uint64_t bytes, int64_t now_ms) {
  const int64_t elapsed_ms = now_ms > mark_ms_ ? now_ms - mark_ms_ : 0;
  const uint64_t moved = bytes > mark_bytes_ ? bytes - mark_bytes_ : 0;
  // Faster than the minimum since the mark: the transfer is alive.
  if (moved * 1000 > static_cast<uint64_t>(elapsed_ms) * kMinimumBytesPerSecond) {
    mark_ms_ = now_ms;
    mark_bytes_ = bytes;
    return false;
  }
  return elapsed_ms >= kStallMs;
}
