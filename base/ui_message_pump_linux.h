// The UI thread's pump on Linux (Linux builds only; the loop kind is
// kLoopWindows there too).
//
// It sleeps in poll() on a set of registered file descriptors (the display
// connection, for one) plus a wake descriptor (an eventfd). Posts write the
// wake descriptor once per empty-to-non-empty transition of the loop's inbox
// (`wake_pending`), like the Windows UI pump's single wake message.
// A ready descriptor's callback runs between tasks, or goes to the run's
// MessageHook when there is one. Loop thread only, except `Wake`.
//
// A PollSource lends the pump another event loop's descriptors and time-out
// for each sleep (a toolkit's main context, say) and dispatches that loop
// after the poll; the pump itself knows nothing of the loop.
#ifndef BASE_UI_MESSAGE_PUMP_LINUX_H_
#define BASE_UI_MESSAGE_PUMP_LINUX_H_

#include <atomic>
#include <functional>
#include <vector>

#include <poll.h>

#include "base/message_pump.h"

namespace nbase {

class LinuxUIMessagePump : public MessagePump {
 public:
  using DescriptorCallback = std::function<void(int fd, short revents)>;

  // Another loop run inside this one, on the loop thread.
  class PollSource {
   public:
    virtual ~PollSource() = default;
    // Before every poll: replaces `fds` with the descriptors to watch and
    // may lower `timeout_ms` (-1: no limit; 0: the source is ready now).
    virtual void Prepare(std::vector<pollfd>* fds, int* timeout_ms) = 0;
    // After the poll, with the same descriptors and their `revents` (all
    // zero after a time-out). True when the source did something.
    virtual bool Dispatch(std::vector<pollfd>* fds) = 0;
  };

  LinuxUIMessagePump();
  ~LinuxUIMessagePump() override;

  // The calling thread's UI pump, or null when its loop is not a UI loop.
  static LinuxUIMessagePump* ForThisThread();

  // Calls `callback` on the loop thread whenever poll() reports one of
  // `events` (POLLIN, ...) on `fd`. False when `fd` is already watched.
  bool WatchDescriptor(int fd, short events, DescriptorCallback callback);
  // False when `fd` was not watched. Safe from inside a callback.
  bool UnwatchDescriptor(int fd);

  // Not owned; at most one. Null removes it. Safe from inside a dispatch.
  void SetPollSource(PollSource* source) { source_ = source; }

  void RunWith(Delegate* delegate, MessageHook* hook) override;
  void StopRun() override;
  void Wake() override;
  void WakeAt(MonoTime when) override { next_wakeup_ = when; }

  // Wake-ups taken off the wake descriptor so far; posts that find one
  // already pending add none.
  int wake_ups_taken() const { return wake_ups_taken_.load(); }

 private:
  struct Watch {
    int fd;
    short events;
    DescriptorCallback callback;
  };
  struct RunState {
    bool stop_requested = false;
    Delegate* client = nullptr;
    MessageHook* message_hook = nullptr;
  };

  // Polls once; dispatches ready descriptors. True when any was ready.
  bool PollOnce(int timeout_ms);
  void DrainWakeDescriptor();

  int wake_fd_ = -1;
  std::atomic<int> wake_pending_{0};
  std::atomic<int> wake_ups_taken_{0};
  MonoTime next_wakeup_ = 0;
  RunState* state_ = nullptr;
  std::vector<Watch> watches_;
  PollSource* source_ = nullptr;
  std::vector<pollfd> source_fds_;
};

}  // namespace nbase

#endif  // BASE_UI_MESSAGE_PUMP_LINUX_H_
