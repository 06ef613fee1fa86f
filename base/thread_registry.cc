#include "base/thread_registry.h"

#include <utility>

#include "base/framework_thread.h"
#include "base/message_loop_proxy.h"

namespace nbase {
namespace {

// Per framework-thread bookkeeping; touched only by its own thread.
struct ThreadSlotRecord {
  FrameworkThread* owner_thread = nullptr;
  int bind_count = 0;
  int identifier = -1;
};

thread_local ThreadSlotRecord* t_slot = nullptr;

void RecurringStep(int id, WeakCallback<Closure> task, TimeDelta delay, int times) {
  if (task.IsDead()) return;
  task();
  if (task.IsDead()) return;  // the owner died during the run
  if (times != -1) --times;
  if (times != 0) ThreadRegistry::Get().PostRecurring(id, task, delay, times);
}

}  // namespace

ThreadRegistry& ThreadRegistry::Get() {
  // Kept to process end: worker threads may still post during exit.
  static ThreadRegistry* registry = new ThreadRegistry();
  return *registry;
}

void ThreadRegistry::EnterThreadBody(FrameworkThread* owner) {
  if (!t_slot) t_slot = new ThreadSlotRecord{owner, 0, -1};
}

void ThreadRegistry::DetachThread(FrameworkThread* owner) {
  ThreadRegistry& registry = Get();
  std::lock_guard<std::mutex> hold(registry.lock_);
  // A thread that forgot to release its identifier must not leave a pointer to
  // itself behind once it ends.
  for (auto it = registry.threads_.begin(); it != registry.threads_.end();) {
    if (it->second == owner)
      it = registry.threads_.erase(it);
    else
      ++it;
  }
  if (t_slot && t_slot->owner_thread == owner) {
    t_slot->bind_count = 0;
    t_slot->identifier = -1;
  }
  owner->loop_.store(nullptr);
}

void ThreadRegistry::LeaveThreadBody() {
  delete t_slot;
  t_slot = nullptr;
}

bool ThreadRegistry::BindIdentifier(int id) {
  ThreadSlotRecord* slot = t_slot;
  if (!slot) return false;
  {
    std::lock_guard<std::mutex> hold(lock_);
    auto [it, inserted] = threads_.emplace(id, slot->owner_thread);
    if (!inserted && it->second != slot->owner_thread) return false;
  }
  ++slot->bind_count;
  slot->identifier = id;
  return true;
}

void ThreadRegistry::ReleaseIdentifier() {
  ThreadSlotRecord* slot = t_slot;
  if (!slot || slot->bind_count == 0) return;
  if (--slot->bind_count > 0) return;
  {
    std::lock_guard<std::mutex> hold(lock_);
    auto it = threads_.find(slot->identifier);
    if (it != threads_.end() && it->second == slot->owner_thread) threads_.erase(it);
  }
  slot->identifier = -1;
}

int ThreadRegistry::CurrentIdentifier() { return t_slot ? t_slot->identifier : -1; }

std::shared_ptr<MessageLoopProxy> ThreadRegistry::ProxyOf(FrameworkThread* thread) {
  std::lock_guard<std::mutex> hold(lock_);
  MessageLoop* loop = thread->loop_.load();
  if (!loop) return nullptr;
  return loop->proxy();
}

std::shared_ptr<MessageLoopProxy> ThreadRegistry::ProxyForIdentifier(int id) {
  std::lock_guard<std::mutex> hold(lock_);
  auto it = threads_.find(id);
  if (it == threads_.end() || !it->second) return nullptr;
  MessageLoop* loop = it->second->loop_.load();
  if (!loop) return nullptr;
  return loop->proxy();
}

bool ThreadRegistry::Post(int id, Closure task) {
  std::shared_ptr<MessageLoopProxy> proxy = ProxyForIdentifier(id);
  if (!proxy) return false;  // `task` dies unrun with this frame
  return proxy->Post(std::move(task));
}

bool ThreadRegistry::PostAfter(int id, Closure task, TimeDelta delay) {
  std::shared_ptr<MessageLoopProxy> proxy = ProxyForIdentifier(id);
  if (!proxy) return false;
  return proxy->PostAfter(std::move(task), delay);
}

void ThreadRegistry::PostRecurring(int id, const WeakCallback<Closure>& task, TimeDelta delay,
                                   int times) {
  // 0 (or a count below -1) would otherwise count down past zero and never stop.
  if (times == 0 || times < -1) return;
  std::shared_ptr<MessageLoopProxy> proxy = ProxyForIdentifier(id);
  if (!proxy) return;
  proxy->PostAfter([id, task, delay, times] { RecurringStep(id, task, delay, times); }, delay);
}

}  // namespace nbase
