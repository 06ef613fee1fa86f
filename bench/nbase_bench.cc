// Throughput of the message loop: one worker posts a million closures to a
// loop thread (immediate, then delayed), and the time until the last one has
// run gives tasks per second. Prints figures; not a test.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "base/framework_thread.h"
#include "base/message_loop_proxy.h"
#include "base/waitable_event.h"

namespace {

constexpr int kTasks = 1000000;

using Clock = std::chrono::steady_clock;

void Measure(const char* what, nbase::LoopKind kind, bool delayed) {
  nbase::FrameworkThread target("bench target");
  if (!target.LaunchWith(kind)) {
    std::printf("%s: could not start the loop thread\n", what);
    return;
  }
  std::shared_ptr<nbase::MessageLoopProxy> proxy = target.loop()->proxy();
  std::atomic<int> ran{0};
  nbase::WaitableEvent all_ran;
  auto task = [&ran, &all_ran] {
    if (ran.fetch_add(1, std::memory_order_relaxed) + 1 == kTasks) all_ran.Signal();
  };

  Clock::time_point start = Clock::now();
  std::thread poster([&] {
    for (int i = 0; i < kTasks; ++i) {
      if (delayed)
        proxy->PostAfter(task, nbase::TimeDelta::FromMicroseconds(1 + i % 1000));
      else
        proxy->Post(task);
    }
  });
  poster.join();
  Clock::time_point posted = Clock::now();
  bool finished = all_ran.TimedWait(120000);
  Clock::time_point end = Clock::now();

  double post_s = std::chrono::duration<double>(posted - start).count();
  double total_s = std::chrono::duration<double>(end - start).count();
  if (!finished) {
    std::printf("%-28s timed out after %.1f s with %d of %d run\n", what, total_s, ran.load(), kTasks);
    return;
  }
  std::printf("%-28s %9.0f tasks/s end to end (%.3f s), posting %9.0f posts/s\n", what,
              kTasks / total_s, total_s, kTasks / post_s);
}

}  // namespace

int main() {
  std::printf("%d closures posted from one worker thread\n", kTasks);
  Measure("plain loop, immediate", nbase::kLoopPlain, false);
  Measure("plain loop, delayed", nbase::kLoopPlain, true);
  Measure("UI loop, immediate", nbase::kLoopWindows, false);
  Measure("UI loop, delayed", nbase::kLoopWindows, true);
  return 0;
}
