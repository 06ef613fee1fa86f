// StallWatch: tells when a transfer has stalled.
//
// The rule of every download attempt, on both systems: a transfer that has
// moved no faster than 1 byte per second for 30 seconds is given up. The
// transfer reports its byte count whenever it likes (often, or only when data
// arrives); each report is measured against the last moment the transfer was
// seen moving faster than that. Pure logic, one transfer, one thread.
#pragma once

#include <cstdint>

class StallWatch {
 public:
  static constexpr int64_t kStallMs = 30000;
  static constexpr int64_t kMinimumBytesPerSecond = 1;

  explicit StallWatch(int64_t start_ms) : mark_ms_(start_ms) {}

  // `bytes` received so far at `now_ms` (a monotonic clock). True once the
  // transfer counts as stalled.
  bool Stalled(uint64_t bytes, int64_t now_ms);

 private:
  int64_t mark_ms_;
  uint64_t mark_bytes_ = 0;
};
