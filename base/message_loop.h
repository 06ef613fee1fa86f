// The task loop of one framework thread.
//
// A `MessageLoop` is created, run and destroyed on its own thread (see
// FrameworkThread). Any thread may post to it; posting directly is only safe
// while the loop is known to be alive, so other threads post through its
// `MessageLoopProxy` (or `ThreadRegistry`), which refuses once it is gone.
//
// Three queues: `inbox` (the only one other threads touch, under one lock),
// the ready queue the loop thread swaps the inbox into in one go, and a heap
// of delayed tasks ordered by run time, then by arrival. Non-nestable
// ("top-level") tasks posted while the loop runs nested are deferred until the
// outermost run is idle. While a task runs no other posted task runs, even if
// the task enters a modal loop of the system that pumps messages (a message
// box); only a nested `Run` called from inside the task runs them.
//
// The loop thread never takes a lock per task, and posting threads wake the
// pump only when the inbox goes from empty to non-empty.
#ifndef BASE_MESSAGE_LOOP_H_
#define BASE_MESSAGE_LOOP_H_

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "base/callback.h"
#include "base/message_pump.h"
#include "base/observer_list.h"
#include "base/time.h"

namespace nbase {

class MessageHook;
class MessageLoopProxy;

enum LoopKind { kLoopPlain = 0, kLoopWindows = 1, kLoopCompletion = 2, kLoopCustom = 3 };

struct QueuedTask {
  Closure closure;
  MonoTime due_time = 0;  // 0 for an immediate task
  int32_t order_number = 0;
  bool may_nest = true;
};

// One call of the loop's run.
struct RunFrame {
  int depth = 1;
  bool quit_asked = false;
  MessageHook* message_hook = nullptr;
};

class MessageLoop : public MessagePump::Delegate {
 public:
  class TaskObserver {
   public:
    virtual ~TaskObserver() = default;
    virtual void WillRunTask() = 0;
    virtual void DidRunTask() = 0;
  };
  class DestructionObserver {
   public:
    virtual ~DestructionObserver() = default;
    virtual void WillDestroyCurrentLoop() = 0;
  };

  // A plain loop with a DefaultMessagePump; becomes the thread's current loop.
  MessageLoop();
  ~MessageLoop() override;

  MessageLoop(const MessageLoop&) = delete;
  MessageLoop& operator=(const MessageLoop&) = delete;

  // The calling thread's loop, or null.
  static MessageLoop* ForThisThread();

  // Any thread, while the loop is alive. Delayed tasks are due at
  // CurrentTime() + delay, taken on the posting thread.
  void Post(Closure task);
  void PostAfter(Closure task, TimeDelta delay);
  void PostTopLevel(Closure task);
  void PostTopLevelAfter(Closure task, TimeDelta delay);

  // Runs until quit (loop thread). Nested calls (from inside a task) run at
  // depth + 1: they run nestable tasks, one of which must quit them, and keep
  // top-level tasks until the outermost run is idle. When a nested run ends,
  // the task that started it again keeps every other task waiting.
  void Run(MessageHook* hook = nullptr);

  // Loop thread: the current run ends the next time the loop is idle, after
  // every due task has run. No-op when the loop is not running.
  void QuitWhenIdle();

  // Loop thread: same for the calling thread's loop; false when the thread has
  // no running loop.
  static bool QuitCurrentWhenIdle();

  LoopKind kind() const { return kind_; }
  MessagePump* pump() const { return pump_owner_.get(); }
  const std::shared_ptr<MessageLoopProxy>& proxy() const { return poster_; }
  // Null while not running.
  RunFrame* current_frame() const { return current_frame_; }

  void AddTaskObserver(TaskObserver* o) { task_watchers_.AddObserver(o); }
  void RemoveTaskObserver(TaskObserver* o) { task_watchers_.RemoveObserver(o); }
  void AddDestructionObserver(DestructionObserver* o) { end_watchers_.AddObserver(o); }
  void RemoveDestructionObserver(DestructionObserver* o) { end_watchers_.RemoveObserver(o); }

  // MessagePump::Delegate (loop thread).
  bool RunReadyTask() override;
  bool RunDueTask(MonoTime* next) override;
  bool RunWhenIdle() override;

 protected:
  MessageLoop(LoopKind kind, std::shared_ptr<MessagePump> pump);

  virtual void Enqueue(QueuedTask task);

 private:
  struct LaterFirst {
    bool operator()(const QueuedTask& a, const QueuedTask& b) const;
  };

  void RefillReadyQueue();
  void AddToDelayedQueue(const QueuedTask& task);
  bool RunOrDefer(QueuedTask& task);
  void ExecuteTask(QueuedTask& task);
  // Destroys every queued task; sets *found_any when there was one.
  void DeletePendingTasks(bool* found_any);
  QueuedTask PopDelayed();

  LoopKind kind_;
  RunFrame* current_frame_ = nullptr;
  std::shared_ptr<MessagePump> pump_owner_;
  bool tasks_may_run_ = true;

  std::mutex inbox_lock_;
  std::deque<QueuedTask> inbox_;

  std::deque<QueuedTask> ready_queue_;
  std::deque<QueuedTask> deferred_queue_;
  std::vector<QueuedTask> timed_queue_;  // heap, earliest on top
  int32_t next_order_number_ = 0;
  MonoTime cached_now_ = 0;

  ObserverList<TaskObserver> task_watchers_;
  ObserverList<DestructionObserver> end_watchers_;
  std::shared_ptr<MessageLoopProxy> poster_;

  friend class UIMessageLoop;
  friend class IOMessageLoop;
};

// The UI thread's loop: on Windows its pump is a WinUIMessagePump (window
// messages and tasks); on Linux a pump that polls registered file descriptors
// (see ui_message_pump_linux.h).
class UIMessageLoop : public MessageLoop {
 public:
  UIMessageLoop();
};

// A loop for I/O threads: on Windows its pump waits on a completion port; on
// Linux it is a plain loop.
class IOMessageLoop : public MessageLoop {
 public:
  IOMessageLoop();
};

// Ends the calling thread's loop once it is idle: posts a top-level task that
// asks the current run to quit, so it also works from a start hook before the
// loop runs. Start-up uses it after a cancelled prompt (on Windows, a WM_QUIT
// from PostQuitMessage ends the UI loop as well). False when the thread has no
// loop.
bool PostQuitToCurrentLoop();

namespace internal {
// The platform's UI and I/O pumps (message_pump_factory_*.cc).
std::shared_ptr<MessagePump> CreateUIPump();
std::shared_ptr<MessagePump> CreateIOPump();
}  // namespace internal

}  // namespace nbase

#endif  // BASE_MESSAGE_LOOP_H_
