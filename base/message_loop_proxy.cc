#include "base/message_loop_proxy.h"

#include <utility>

#include "base/message_loop.h"

namespace nbase {

MessageLoopProxy::MessageLoopProxy(MessageLoop* loop) : target_loop_(loop) {}

MessageLoopProxy::~MessageLoopProxy() = default;

std::shared_ptr<MessageLoopProxy> MessageLoopProxy::Create(MessageLoop* loop) {
  return std::shared_ptr<MessageLoopProxy>(new MessageLoopProxy(loop),
                                           [](MessageLoopProxy* proxy) { proxy->ReleaseLast(); });
}

// In each post the task is moved into `doomed` before the lock is taken, so a
// refused task is destroyed after the lock is released (its destructor may post).

bool MessageLoopProxy::Post(Closure task) {
  Closure doomed = std::move(task);
  std::lock_guard<std::mutex> hold(lock_);
  if (!target_loop_) return false;
  target_loop_->Post(std::move(doomed));
  return true;
}

bool MessageLoopProxy::PostAfter(Closure task, TimeDelta delay) {
  if (delay.ToMicroseconds() == 0) return Post(std::move(task));
  Closure doomed = std::move(task);
  std::lock_guard<std::mutex> hold(lock_);
  if (!target_loop_) return false;
  target_loop_->PostAfter(std::move(doomed), delay);
  return true;
}

bool MessageLoopProxy::PostTopLevel(Closure task) {
  Closure doomed = std::move(task);
  std::lock_guard<std::mutex> hold(lock_);
  if (!target_loop_) return false;
  target_loop_->PostTopLevel(std::move(doomed));
  return true;
}

bool MessageLoopProxy::PostTopLevelAfter(Closure task, TimeDelta delay) {
  if (delay.ToMicroseconds() == 0) return PostTopLevel(std::move(task));
  Closure doomed = std::move(task);
  std::lock_guard<std::mutex> hold(lock_);
  if (!target_loop_) return false;
  target_loop_->PostTopLevelAfter(std::move(doomed), delay);
  return true;
}

bool MessageLoopProxy::IsOnLoopThread() {
  std::lock_guard<std::mutex> hold(lock_);
  return target_loop_ != nullptr && target_loop_ == MessageLoop::ForThisThread();
}

void MessageLoopProxy::DetachLoop() {
  std::lock_guard<std::mutex> hold(lock_);
  target_loop_ = nullptr;
}

void MessageLoopProxy::ReleaseLast() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (target_loop_ && target_loop_ != MessageLoop::ForThisThread()) {
      // Let the loop's own thread delete us, so a post racing with this
      // release never touches a dead proxy.
      target_loop_->PostTopLevel(MakeGuarded([this] { delete this; }));
      return;
    }
  }
  delete this;
}

}  // namespace nbase
