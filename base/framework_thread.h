// A thread that owns one MessageLoop.
//
// The loop is created on the thread itself; `OnThreadStart` runs there after
// the loop exists and before it runs, `OnThreadStop` after the run ends and
// before the loop is destroyed. `Launch` returns only once `OnThreadStart` has
// returned, so identifiers bound there are usable by the caller at once:
//
//   class HttpThread : public nbase::FrameworkThread {
//     void OnThreadStart() override { ThreadRegistry::Get().BindIdentifier(6); }
//     void OnThreadStop() override { ThreadRegistry::Get().ReleaseIdentifier(); }
//    public:
//     HttpThread() : FrameworkThread("http Thread") {}
//     ~HttpThread() override { Stop(); }
//   };
//
// Stopping (`Stop`, or the destructor) posts a quit task behind everything
// already queued, so the loop runs every task that is due, quits when idle,
// and the caller waits for the thread to end. Delayed tasks not yet due are
// destroyed unrun. A subclass that overrides `OnThreadStop` should call `Stop()`
// from its own destructor: by the time the base destructor runs, the subclass
// part (and its override) is gone. Must not be destroyed from its own thread.
//
// `RunHere` runs the body on the calling thread instead (the UI thread).
#ifndef BASE_FRAMEWORK_THREAD_H_
#define BASE_FRAMEWORK_THREAD_H_

#include <atomic>
#include <memory>
#include <string>

#include "base/message_loop.h"
#include "base/thread.h"
#include "base/waitable_event.h"
#include "base/weak_callback.h"

namespace nbase {

class MessageHook;

// Makes the loop of a kLoopCustom thread; the thread body owns the result.
class LoopFactory {
 public:
  virtual ~LoopFactory() = default;
  virtual std::unique_ptr<MessageLoop> CreateLoop() = 0;
};

class FrameworkThread : public Thread, public virtual SupportWeakCallback {
 public:
  explicit FrameworkThread(std::string label);
  ~FrameworkThread() override;

  // Starts a thread with a plain loop; true when it started. Blocks until the
  // thread's OnThreadStart has returned.
  bool Launch();
  // The same with another kind of loop (`factory` is needed for kLoopCustom).
  bool LaunchWith(LoopKind kind, std::shared_ptr<LoopFactory> factory = nullptr);

  // Runs the body on the calling thread; returns when the loop has ended and
  // OnThreadStop has run.
  void RunHere(LoopKind kind, MessageHook* hook = nullptr);

  // Posts the quit task (once) and waits for the thread. Safe to call twice.
  void Stop();

  // Null before the loop exists and after it is destroyed.
  MessageLoop* loop() const { return loop_.load(); }
  const std::string& label() const { return label_; }
  bool active() const { return active_; }

 protected:
  virtual void OnThreadStart() {}
  virtual void OnThreadStop() {}

  void RunThread() override;

 private:
  friend class ThreadRegistry;

  std::unique_ptr<MessageLoop> CreateLoop();

  bool active_ = false;
  bool quit_posted_ = false;
  LoopKind kind_ = kLoopPlain;
  std::atomic<MessageLoop*> loop_{nullptr};
  std::shared_ptr<LoopFactory> loop_factory_;
  MessageHook* message_hook_ = nullptr;
  WaitableEvent ready_event_;
  std::string label_;
};

}  // namespace nbase

#endif  // BASE_FRAMEWORK_THREAD_H_
