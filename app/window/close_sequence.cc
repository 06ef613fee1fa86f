#include "app/window/close_sequence.h"

#include <memory>

#include "base/thread_registry.h"
#include "base/waitable_event.h"

bool WaitForQueuedReports(int http_thread_id, int64_t max_wait_ms) {
  // The HTTP thread runs its tasks in order: once this marker runs, every
  // report queued before it has been sent (or has failed).
  auto done = std::make_shared<nbase::WaitableEvent>();
  if (!nbase::ThreadRegistry::Get().Post(http_thread_id, [done] { done->Signal(); })) return false;
  return done->TimedWait(max_wait_ms);
}
