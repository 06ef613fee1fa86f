#include "base/thread.h"

namespace nbase {

bool OsPriorityFor(int level, int* os_priority) {
  switch (level) {
    case kPriorityLow: *os_priority = -2; return true;       // THREAD_PRIORITY_LOWEST
    case kPriorityNormal: *os_priority = -1; return true;    // THREAD_PRIORITY_BELOW_NORMAL
    case kPriorityHigh: *os_priority = 2; return true;       // THREAD_PRIORITY_HIGHEST
    case kPriorityRealtime: *os_priority = 15; return true;  // THREAD_PRIORITY_TIME_CRITICAL
    default:
      if (level <= 0) return false;
      *os_priority = -1;
      return true;
  }
}

Thread::~Thread() { Join(); }

void Thread::ThreadMain(Thread* self) {
  self->set_os_thread_id(internal::CurrentOsThreadId());
  self->RunThread();
}

bool Thread::StartOsThread() {
  uint32_t id = 0;
  OsThreadHandle handle = internal::StartOsThread(&Thread::ThreadMain, this, &id);
  if (handle == 0 || handle == 1) {
    os_handle_ = 0;
    os_thread_id_ = 0;
    return false;
  }
  os_handle_ = handle;
  if (id != 0) os_thread_id_ = id;  // Linux learns the id on the thread itself
  int os_priority = 0;
  if (priority_ > 0 && OsPriorityFor(priority_, &os_priority))
    internal::SetOsThreadPriority(handle, os_priority);
  return true;
}

void Thread::Join() {
  if (os_handle_ == 0) return;
  internal::JoinOsThread(os_handle_, &internal::WaitForOsThread);
  os_handle_ = 0;
  os_thread_id_ = 0;
}

uint32_t Thread::CurrentId() { return internal::CurrentOsThreadId(); }

}  // namespace nbase
