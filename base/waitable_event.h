// An auto-reset event: `Signal` wakes one waiter (or the next one to wait);
// each successful wait consumes the signal. Any thread.
#ifndef BASE_WAITABLE_EVENT_H_
#define BASE_WAITABLE_EVENT_H_

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace nbase {

class WaitableEvent {
 public:
  void Signal();
  void Wait();
  // False on time-out.
  bool TimedWait(int64_t milliseconds);

 private:
  std::mutex lock_;
  std::condition_variable cv_;
  bool signalled_ = false;
};

}  // namespace nbase

#endif  // BASE_WAITABLE_EVENT_H_
