// Small helpers shared by the nbase tests: bounded waits (a wait that times out
// fails the test instead of hanging) and a frozen, steerable tick source.
#ifndef TESTS_BASE_TEST_SUPPORT_H_
#define TESTS_BASE_TEST_SUPPORT_H_

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "base/time.h"
#include "base/waitable_event.h"

namespace nbase_test {

constexpr int64_t kWaitMs = 10000;

// Polls `done` until it holds or kWaitMs passes.
template <class Pred>
bool WaitUntil(Pred done) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

inline bool WaitFor(nbase::WaitableEvent& event) { return event.TimedWait(kWaitMs); }

// Replaces the clock while alive; time stands still until Advance().
class FakeClock {
 public:
  explicit FakeClock(uint32_t start_ms) {
    ticks_ = start_ms;
    nbase::SetTickSourceForTesting(&FakeClock::Read);
  }
  ~FakeClock() { nbase::SetTickSourceForTesting(nullptr); }
  void Set(uint32_t ms) { ticks_ = ms; }
  void Advance(uint32_t ms) { ticks_ += ms; }

 private:
  static uint32_t Read() { return ticks_.load(); }
  static inline std::atomic<uint32_t> ticks_{0};
};

}  // namespace nbase_test

#endif  // TESTS_BASE_TEST_SUPPORT_H_
