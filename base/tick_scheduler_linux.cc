#include <poll.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <utility>

#include "base/tick_scheduler.h"
#include "base/ui_message_pump_linux.h"

namespace nbase::internal {
namespace {

// A periodic timerfd watched by the thread's UI pump. The kernel counts the
// expirations the thread has not read yet, so ticks never pile up.
class LinuxTickSource : public TickSource {
 public:
  LinuxTickSource(LinuxUIMessagePump* pump, int timer_fd, Closure on_tick)
      : pump_(pump), timer_fd_(timer_fd), on_tick_(std::move(on_tick)) {}

  ~LinuxTickSource() override {
    pump_->UnwatchDescriptor(timer_fd_);
    close(timer_fd_);
  }

  bool Watch() {
    return pump_->WatchDescriptor(timer_fd_, POLLIN, [this](int fd, short) {
      uint64_t expirations = 0;
      if (read(fd, &expirations, sizeof expirations) != sizeof expirations) return;  // stopped meanwhile
      ticks_posted_.fetch_add(1);
      on_tick_();
    });
  }

  void Start(uint32_t period_ms) override { Set(period_ms); }
  void Stop() override { Set(0); }  // also drops an expiration not yet read
  int ticks_posted() const override { return ticks_posted_.load(); }

 private:
  void Set(uint32_t period_ms) {
    itimerspec period{};
    period.it_interval.tv_sec = period_ms / 1000;
    period.it_interval.tv_nsec = static_cast<long>(period_ms % 1000) * 1000000;
    period.it_value = period.it_interval;
    timerfd_settime(timer_fd_, 0, &period, nullptr);
  }

  LinuxUIMessagePump* pump_;
  int timer_fd_;
  Closure on_tick_;
  std::atomic<int> ticks_posted_{0};
};

}  // namespace

std::unique_ptr<TickSource> TickSource::Create(Closure on_tick) {
  LinuxUIMessagePump* pump = LinuxUIMessagePump::ForThisThread();
  if (!pump) return nullptr;
  int timer_fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  if (timer_fd < 0) return nullptr;
  auto source = std::make_unique<LinuxTickSource>(pump, timer_fd, std::move(on_tick));
  if (!source->Watch()) return nullptr;
  return source;
}

int64_t CounterRate() { return 1000 * 1000 * 1000; }

int64_t CounterNow() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000 * 1000 * 1000 + now.tv_nsec;
}

}  // namespace nbase::internal
