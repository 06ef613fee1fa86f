// Process-wide map from small thread identifiers to framework threads, so any
// thread can post to the UI thread or a worker without holding a pointer to it.
//
// A framework thread binds its identifier in OnThreadStart and releases it in
// OnThreadStop; between those, posts by identifier reach its loop. Posts to an
// identifier nobody holds return false and destroy the task unrun. All
// operations may be called from any thread; the lock is never held while a
// task runs or a proxy posts.
#ifndef BASE_THREAD_REGISTRY_H_
#define BASE_THREAD_REGISTRY_H_

#include <map>
#include <memory>
#include <mutex>

#include "base/callback.h"
#include "base/time.h"
#include "base/weak_callback.h"

namespace nbase {

class FrameworkThread;
class MessageLoopProxy;

class ThreadRegistry {
 public:
  static ThreadRegistry& Get();

  // On a framework thread: binds `id` to it. True also when this thread already
  // holds `id` (each success needs its own ReleaseIdentifier). False when the
  // caller is not a framework thread or another thread holds `id`.
  bool BindIdentifier(int id);
  // On the same thread: undoes one successful BindIdentifier.
  void ReleaseIdentifier();

  // Empty when `id` is unbound or its thread has no loop.
  std::shared_ptr<MessageLoopProxy> ProxyForIdentifier(int id);

  bool Post(int id, Closure task);
  bool PostAfter(int id, Closure task, TimeDelta delay);

  // Runs `task` on thread `id` every `delay` (measured from the end of the
  // previous run), `times` times, or for ever with -1, until its owner dies.
  // A task whose owner dies during its own run is not posted again.
  void PostRecurring(int id, const WeakCallback<Closure>& task, TimeDelta delay, int times);

  // The identifier the calling thread holds, or -1.
  static int CurrentIdentifier();

 private:
  friend class FrameworkThread;
  ThreadRegistry() = default;

  // Thread body bookkeeping, on the framework thread itself.
  static void EnterThreadBody(FrameworkThread* owner);
  // After the run: drops identifiers the thread still holds and clears its
  // `loop`, under the lock, so lookups never reach a loop being destroyed.
  static void DetachThread(FrameworkThread* owner);
  static void LeaveThreadBody();
  // The proxy of `thread`'s loop, read under the lock; empty without a loop.
  std::shared_ptr<MessageLoopProxy> ProxyOf(FrameworkThread* thread);

  std::mutex lock_;
  std::map<int, FrameworkThread*> threads_;
};

}  // namespace nbase

#endif  // BASE_THREAD_REGISTRY_H_
