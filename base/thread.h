// A thin wrapper over one operating-system thread.
//
// `StartOsThread` runs `RunThread` on a new thread; the destructor (or `Join`)
// waits for it. A join whose wait fails terminates the thread (Windows) and
// always releases the handle, so a broken thread never leaks.
// Owned and driven by one thread (its creator).
#ifndef BASE_THREAD_H_
#define BASE_THREAD_H_

#include <atomic>
#include <cstdint>

namespace nbase {

enum PriorityLevel {
  kPriorityDefault = 0,  // left alone
  kPriorityLow = 1,
  kPriorityNormal = 2,
  kPriorityHigh = 3,
  kPriorityRealtime = 4,
};

// The OS handle of a thread: a HANDLE on Windows, a pthread_t on Linux;
// 0 when no thread exists.
using OsThreadHandle = uintptr_t;

class Thread {
 public:
  Thread() = default;
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  virtual ~Thread();

  // True when a thread was created. Applies `priority()` to it.
  bool StartOsThread();
  // Waits for the thread to end; no-op when there is none.
  void Join();

  uint32_t os_thread_id() const { return os_thread_id_; }
  OsThreadHandle os_handle() const { return os_handle_; }
  int priority() const { return priority_; }
  // Takes effect at the next StartOsThread.
  void set_priority(int level) { priority_ = level; }

  // The calling thread's OS id.
  static uint32_t CurrentId();

 protected:
  virtual void RunThread() {}
  void set_os_thread_id(uint32_t id) { os_thread_id_ = id; }

 private:
  static void ThreadMain(Thread* self);

  std::atomic<uint32_t> os_thread_id_{0};
  OsThreadHandle os_handle_ = 0;
  int priority_ = kPriorityDefault;
};

// The OS priority value for a priority level, the way SetThreadPriority takes
// it: 1 -> -2 (lowest), 2 -> -1 (below normal), 3 -> 2 (highest),
// 4 -> 15 (time critical), anything above 4 -> -1. False for 0 and negative
// levels, which leave the priority alone.
bool OsPriorityFor(int level, int* os_priority);

namespace internal {
// The system calls behind Thread (thread_win.cc / thread_linux.cc).
using ThreadEntry = void (*)(Thread*);
// Starts `entry(thread)` on a new thread; 0 on failure.
OsThreadHandle StartOsThread(ThreadEntry entry, Thread* thread, uint32_t* os_thread_id);
void SetOsThreadPriority(OsThreadHandle handle, int os_priority);
// Waits for the thread. Returns true when the wait reported the thread ended.
using WaitForThread = bool (*)(OsThreadHandle handle);
bool WaitForOsThread(OsThreadHandle handle);
// Waits with `wait`; when it fails the thread is terminated (Windows) or
// detached (Linux). The handle is released in both cases.
void JoinOsThread(OsThreadHandle handle, WaitForThread wait);
uint32_t CurrentOsThreadId();
}  // namespace internal

}  // namespace nbase

#endif  // BASE_THREAD_H_
