#include "base/ui_message_pump_linux.h"

#include <errno.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>

#include "base/message_hook.h"
#include "base/message_loop.h"

namespace nbase {

LinuxUIMessagePump::LinuxUIMessagePump() { wake_fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC); }

LinuxUIMessagePump::~LinuxUIMessagePump() {
  if (wake_fd_ >= 0) close(wake_fd_);
}

LinuxUIMessagePump* LinuxUIMessagePump::ForThisThread() {
  MessageLoop* loop = MessageLoop::ForThisThread();
  if (!loop || loop->kind() != kLoopWindows) return nullptr;
  return static_cast<LinuxUIMessagePump*>(loop->pump());
}

bool LinuxUIMessagePump::WatchDescriptor(int fd, short events, DescriptorCallback callback) {
  if (fd < 0 || fd == wake_fd_) return false;
  for (const Watch& w : watches_)
    if (w.fd == fd) return false;
  watches_.push_back(Watch{fd, events, std::move(callback)});
  return true;
}

bool LinuxUIMessagePump::UnwatchDescriptor(int fd) {
  auto it = std::find_if(watches_.begin(), watches_.end(), [fd](const Watch& w) { return w.fd == fd; });
  if (it == watches_.end()) return false;
  watches_.erase(it);
  return true;
}

void LinuxUIMessagePump::Wake() {
  if (wake_pending_.exchange(1) != 0) return;  // one wake-up in flight is enough
  uint64_t one = 1;
  ssize_t ignored = write(wake_fd_, &one, sizeof one);
  (void)ignored;
}

void LinuxUIMessagePump::StopRun() {
  if (state_) state_->stop_requested = true;
}

void LinuxUIMessagePump::DrainWakeDescriptor() {
  uint64_t count = 0;
  if (read(wake_fd_, &count, sizeof count) == sizeof count) wake_ups_taken_.fetch_add(1);
  wake_pending_.store(0);
}

bool LinuxUIMessagePump::PollOnce(int timeout_ms) {
  std::vector<pollfd> fds;
  fds.reserve(watches_.size() + 1);
  fds.push_back(pollfd{wake_fd_, POLLIN, 0});
  for (const Watch& w : watches_) fds.push_back(pollfd{w.fd, w.events, 0});
  const size_t own = fds.size();
  PollSource* source = source_;
  if (source) {
    source->Prepare(&source_fds_, &timeout_ms);
    fds.insert(fds.end(), source_fds_.begin(), source_fds_.end());
  }

  int ready = poll(fds.data(), fds.size(), timeout_ms);
  bool handled = false;
  if (source) {
    // The source is dispatched after every poll, ready or not: its own
    // time-outs are due then.
    for (size_t i = 0; i < source_fds_.size(); ++i) source_fds_[i].revents = ready > 0 ? fds[own + i].revents : 0;
    fds.resize(own);
    if (source == source_) handled = source->Dispatch(&source_fds_);
  }
  if (ready <= 0) return handled;  // time-out, or EINTR: the caller loops anyway

  if (fds[0].revents & POLLIN) DrainWakeDescriptor();
  for (size_t i = 1; i < fds.size(); ++i) {
    if (!fds[i].revents) continue;
    // Re-find the watch: an earlier callback may have removed it.
    auto it = std::find_if(watches_.begin(), watches_.end(),
                           [fd = fds[i].fd](const Watch& w) { return w.fd == fd; });
    if (it == watches_.end()) continue;
    handled = true;
    if (state_ && state_->message_hook) {
      if (!state_->message_hook->Accept(PollEvent{fds[i].fd, fds[i].revents})) state_->stop_requested = true;
    } else {
      DescriptorCallback callback = it->callback;  // survives an unwatch inside the call
      callback(fds[i].fd, fds[i].revents);
    }
    if (state_ && state_->stop_requested) break;
  }
  return handled;
}

void LinuxUIMessagePump::RunWith(Delegate* delegate, MessageHook* hook) {
  RunState state;
  state.client = delegate;
  state.message_hook = hook;
  RunState* previous = state_;
  state_ = &state;
  for (;;) {
    bool more_work = PollOnce(0);
    if (state.stop_requested) break;
    more_work |= delegate->RunReadyTask();
    if (state.stop_requested) break;
    more_work |= delegate->RunDueTask(&next_wakeup_);
    if (state.stop_requested) break;
    if (more_work) continue;
    more_work = delegate->RunWhenIdle();
    if (state.stop_requested) break;
    if (more_work) continue;

    int64_t ms = MillisecondsToWakeup(next_wakeup_, CurrentTime());
    PollOnce(ms < 0 ? -1 : static_cast<int>(std::min<int64_t>(ms, INT_MAX)));
    if (state.stop_requested) break;
  }
  state_ = previous;
}

}  // namespace nbase
