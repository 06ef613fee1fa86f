#include <windows.h>
#include <process.h>

#include "base/thread.h"

namespace nbase::internal {
namespace {

struct StartArgs {
  ThreadEntry entry;
  Thread* thread;
};

unsigned __stdcall ThreadTrampoline(void* param) {
  StartArgs args = *static_cast<StartArgs*>(param);
  delete static_cast<StartArgs*>(param);
  args.entry(args.thread);
  return 0;  // the runtime ends the thread with this exit code
}

}  // namespace

OsThreadHandle StartOsThread(ThreadEntry entry, Thread* thread, uint32_t* os_thread_id) {
  auto* args = new StartArgs{entry, thread};
  unsigned id = 0;
  uintptr_t handle = _beginthreadex(nullptr, 0, &ThreadTrampoline, args, 0, &id);
  if (handle == 0) {
    delete args;
    return 0;
  }
  *os_thread_id = id;
  return handle;
}

void SetOsThreadPriority(OsThreadHandle handle, int os_priority) {
  SetThreadPriority(reinterpret_cast<HANDLE>(handle), os_priority);
}

bool WaitForOsThread(OsThreadHandle handle) {
  return WaitForSingleObject(reinterpret_cast<HANDLE>(handle), INFINITE) == WAIT_OBJECT_0;
}

void JoinOsThread(OsThreadHandle handle, WaitForThread wait) {
  HANDLE h = reinterpret_cast<HANDLE>(handle);
  if (!wait(handle)) TerminateThread(h, 0);
  CloseHandle(h);
}

uint32_t CurrentOsThreadId() { return GetCurrentThreadId(); }

}  // namespace nbase::internal
