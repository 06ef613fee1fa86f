#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "base/thread.h"

namespace nbase::internal {
namespace {

struct StartArgs {
  ThreadEntry entry;
  Thread* thread;
};

void* ThreadTrampoline(void* param) {
  StartArgs args = *static_cast<StartArgs*>(param);
  delete static_cast<StartArgs*>(param);
  args.entry(args.thread);
  return nullptr;
}

}  // namespace

OsThreadHandle StartOsThread(ThreadEntry entry, Thread* thread, uint32_t* os_thread_id) {
  auto* args = new StartArgs{entry, thread};
  pthread_t handle{};
  if (pthread_create(&handle, nullptr, &ThreadTrampoline, args) != 0) {
    delete args;
    return 0;
  }
  *os_thread_id = 0;  // known only on the thread itself (gettid)
  return static_cast<OsThreadHandle>(handle);
}

// Linux threads keep the default scheduling: an unprivileged process cannot
// raise a thread's priority, and a lowered one cannot be raised again.
void SetOsThreadPriority(OsThreadHandle, int) {}

bool WaitForOsThread(OsThreadHandle handle) {
  return pthread_join(static_cast<pthread_t>(handle), nullptr) == 0;
}

void JoinOsThread(OsThreadHandle handle, WaitForThread wait) {
  // There is no safe way to kill a POSIX thread; release it instead.
  if (!wait(handle)) pthread_detach(static_cast<pthread_t>(handle));
}

uint32_t CurrentOsThreadId() { return static_cast<uint32_t>(syscall(SYS_gettid)); }

}  // namespace nbase::internal
