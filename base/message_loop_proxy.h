// A shared, thread-safe handle for posting to one thread's loop.
//
// The proxy may outlive its loop: once the loop's destructor has run, every
// post returns false and destroys the task unrun. A post and the loop going
// away are mutually exclusive (one lock), so a post that returns true has
// reached a live loop's queue.
//
// Shared references come from `MessageLoop::proxy()` or
// `ThreadRegistry::ProxyForIdentifier`. Their deleter calls `ReleaseLast`: the
// proxy is deleted on its loop's thread while the loop lives, otherwise at once.
#ifndef BASE_MESSAGE_LOOP_PROXY_H_
#define BASE_MESSAGE_LOOP_PROXY_H_

#include <memory>
#include <mutex>

#include "base/callback.h"
#include "base/time.h"
#include "base/weak_callback.h"

namespace nbase {

class MessageLoop;

class MessageLoopProxy : public SupportWeakCallback {
 public:
  ~MessageLoopProxy() override;

  // False (task destroyed unrun) once the loop is gone.
  virtual bool Post(Closure task);
  // A delay of exactly 0 posts as an immediate task.
  virtual bool PostAfter(Closure task, TimeDelta delay);
  // Non-nestable variants: never run inside a nested (modal) run.
  virtual bool PostTopLevel(Closure task);
  virtual bool PostTopLevelAfter(Closure task, TimeDelta delay);
  // True when called on the loop's own thread while the loop lives.
  virtual bool IsOnLoopThread();

 private:
  friend class MessageLoop;

  explicit MessageLoopProxy(MessageLoop* loop);

  // Creates the proxy with the deleter described above (the loop's constructor).
  static std::shared_ptr<MessageLoopProxy> Create(MessageLoop* loop);

  // Called by the loop's destructor.
  virtual void DetachLoop();
  virtual void ReleaseLast();

  std::mutex lock_;
  MessageLoop* target_loop_;
};

}  // namespace nbase

#endif  // BASE_MESSAGE_LOOP_PROXY_H_
