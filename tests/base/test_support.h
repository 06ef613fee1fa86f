// Small helpers shared by the nbase tests: bounded waits (a wait that times out
// fails the test instead of hanging) and a frozen, steerable tick source.
#ifndef TESTS_BASE_TEST_SUPPORT_H_
#define TESTS_BASE_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/callback.h"
#include "base/framework_thread.h"
#include "base/message_loop.h"
#include "base/message_loop_proxy.h"
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

// Runs `task` on `thread`'s loop and waits (bounded) for it to finish.
inline void RunOn(nbase::FrameworkThread& thread, nbase::Closure task) {
  nbase::WaitableEvent done;
  ASSERT_TRUE(thread.loop()->proxy()->Post([&] {
    task();
    done.Signal();
  }));
  ASSERT_TRUE(WaitFor(done));
}

// Records what happened, in order, from any thread.
class Journal {
 public:
  void Note(const std::string& what) {
    std::lock_guard<std::mutex> hold(lock_);
    entries_.push_back(what);
  }
  // A task that notes `what` when it runs.
  nbase::Closure NoteWhenRun(std::string what) {
    return [this, what] { Note(what); };
  }
  std::vector<std::string> entries() {
    std::lock_guard<std::mutex> hold(lock_);
    return entries_;
  }

 private:
  std::mutex lock_;
  std::vector<std::string> entries_;
};

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
