#include "base/framework_thread.h"

#include <utility>

#include "base/message_loop_proxy.h"
#include "base/thread_registry.h"

namespace nbase {

FrameworkThread::FrameworkThread(std::string label) : label_(std::move(label)) {}

FrameworkThread::~FrameworkThread() {
  Stop();
  label_.clear();
  loop_factory_.reset();
}

bool FrameworkThread::Launch() { return LaunchWith(kLoopPlain); }

bool FrameworkThread::LaunchWith(LoopKind kind, std::shared_ptr<LoopFactory> factory) {
  if (loop_.load() || active_) return false;
  kind_ = kind;
  loop_factory_ = std::move(factory);
  message_hook_ = nullptr;
  if (!StartOsThread()) return false;
  ready_event_.Wait();  // OnThreadStart has returned
  active_ = true;
  return true;
}

void FrameworkThread::RunHere(LoopKind kind, MessageHook* hook) {
  kind_ = kind;
  active_ = true;
  message_hook_ = hook;
  RunThread();
}

void FrameworkThread::Stop() {
  if (!active_) return;
  if (!quit_posted_) {
    // Through the proxy: if the loop has already ended on its own, the post is
    // refused instead of reaching a destroyed loop.
    if (std::shared_ptr<MessageLoopProxy> proxy = ThreadRegistry::Get().ProxyOf(this)) {
      quit_posted_ = true;
      proxy->PostTopLevel(MakeGuarded([] { MessageLoop::QuitCurrentWhenIdle(); }));
    }
  }
  Join();
  active_ = false;
  quit_posted_ = false;
}

std::unique_ptr<MessageLoop> FrameworkThread::CreateLoop() {
  switch (kind_) {
    case kLoopCustom:
      if (loop_factory_) {
        if (std::unique_ptr<MessageLoop> loop = loop_factory_->CreateLoop()) return loop;
      }
      break;
    case kLoopCompletion:
      return std::make_unique<IOMessageLoop>();
    case kLoopWindows:
      return std::make_unique<UIMessageLoop>();
    case kLoopPlain:
      break;
  }
  return std::make_unique<MessageLoop>();
}

void FrameworkThread::RunThread() {
  ThreadRegistry::EnterThreadBody(this);
  set_os_thread_id(Thread::CurrentId());

  std::unique_ptr<MessageLoop> loop = CreateLoop();
  loop_.store(loop.get());
  OnThreadStart();
  ready_event_.Signal();

  loop->Run(message_hook_);

  OnThreadStop();
  ThreadRegistry::DetachThread(this);
  loop.reset();
  if (kind_ == kLoopCustom) loop_factory_.reset();
  set_os_thread_id(0);
  ThreadRegistry::LeaveThreadBody();
}

}  // namespace nbase
