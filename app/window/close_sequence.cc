#include "app/window/close_sequence.h"

#include <memory>

#include "base/thread_registry.h"
#include "base/waitable_event.h"

bool WaitForQueuedTasks(int thread_id, int64_t max_wait_ms) {
  // A thread runs its tasks in order: once this marker runs, every task
  // queued before it has run (a report sent or failed, a download ended).
  auto done = std::make_shared<nbase::WaitableEvent>();
  if (!nbase::ThreadRegistry::Get().Post(thread_id, [done] { done->Signal(); })) return false;
  return done->TimedWait(max_wait_ms);
}
