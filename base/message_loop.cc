#include "base/message_loop.h"

#include <algorithm>
#include <utility>

#include "base/default_message_pump.h"
#include "base/message_loop_proxy.h"

namespace nbase {
namespace {

thread_local MessageLoop* t_current_loop = nullptr;

// Passes over the queues when a dying loop's tasks keep posting new ones from
// their destructors.
constexpr int kMaxDestructionPasses = 100;

}  // namespace

bool MessageLoop::LaterFirst::operator()(const QueuedTask& a, const QueuedTask& b) const {
  // std::push_heap keeps the "largest" on top; we want the earliest.
  if (a.due_time != b.due_time) return a.due_time > b.due_time;
  return a.order_number > b.order_number;
}

MessageLoop::MessageLoop() : MessageLoop(kLoopPlain, std::make_shared<DefaultMessagePump>()) {}

MessageLoop::MessageLoop(LoopKind kind, std::shared_ptr<MessagePump> pump)
    : kind_(kind), pump_owner_(std::move(pump)) {
  t_current_loop = this;
  poster_ = MessageLoopProxy::Create(this);
}

UIMessageLoop::UIMessageLoop() : MessageLoop(kLoopWindows, internal::CreateUIPump()) {}

IOMessageLoop::IOMessageLoop() : MessageLoop(kLoopCompletion, internal::CreateIOPump()) {}

MessageLoop::~MessageLoop() {
  // Destroying a task may post another (from its destructor); keep sweeping
  // until a pass finds nothing, within a bound.
  for (int pass = 0; pass < kMaxDestructionPasses; ++pass) {
    bool found_any = false;
    DeletePendingTasks(&found_any);
    RefillReadyQueue();
    found_any = false;
    DeletePendingTasks(&found_any);
    if (!found_any) break;
  }

  end_watchers_.Notify([](DestructionObserver* o) { o->WillDestroyCurrentLoop(); });

  poster_->DetachLoop();
  poster_.reset();
  if (t_current_loop == this) t_current_loop = nullptr;

  // Whatever is still queued dies now, while the pump still exists; posts made
  // from these destructors through a proxy are refused.
  std::deque<QueuedTask> leftovers;
  {
    std::lock_guard<std::mutex> hold(inbox_lock_);
    leftovers.swap(inbox_);
  }
  leftovers.clear();
  ready_queue_.clear();
  deferred_queue_.clear();
  timed_queue_.clear();
}

MessageLoop* MessageLoop::ForThisThread() { return t_current_loop; }

void MessageLoop::Post(Closure task) {
  Enqueue(QueuedTask{std::move(task), 0, 0, true});
}

void MessageLoop::PostAfter(Closure task, TimeDelta delay) {
  Enqueue(QueuedTask{std::move(task), CurrentTime() + delay, 0, true});
}

void MessageLoop::PostTopLevel(Closure task) {
  Enqueue(QueuedTask{std::move(task), 0, 0, false});
}

void MessageLoop::PostTopLevelAfter(Closure task, TimeDelta delay) {
  Enqueue(QueuedTask{std::move(task), CurrentTime() + delay, 0, false});
}

void MessageLoop::Enqueue(QueuedTask task) {
  std::shared_ptr<MessagePump> pump;
  {
    std::lock_guard<std::mutex> hold(inbox_lock_);
    bool was_empty = inbox_.empty();
    inbox_.push_back(std::move(task));
    if (!was_empty) return;  // the pump has already been woken
    pump = pump_owner_;
  }
  pump->Wake();
}

void MessageLoop::Run(MessageHook* hook) {
  RunFrame frame;
  frame.depth = current_frame_ ? current_frame_->depth + 1 : 1;
  frame.message_hook = hook;
  RunFrame* previous = current_frame_;
  current_frame_ = &frame;
  // Called from inside a task, tasks are held back (see ExecuteTask); a nested
  // run is asked for explicitly, so it lets them run, or nothing could ever
  // end it on a plain loop.
  const bool tasks_could_run = tasks_may_run_;
  tasks_may_run_ = true;
  pump_owner_->RunWith(this, hook);
  tasks_may_run_ = tasks_could_run;
  current_frame_ = previous;
}

void MessageLoop::QuitWhenIdle() {
  if (current_frame_) current_frame_->quit_asked = true;
}

bool MessageLoop::QuitCurrentWhenIdle() {
  MessageLoop* loop = ForThisThread();
  if (!loop || !loop->current_frame_) return false;
  loop->QuitWhenIdle();
  return true;
}

void MessageLoop::RefillReadyQueue() {
  if (!ready_queue_.empty()) return;
  std::lock_guard<std::mutex> hold(inbox_lock_);
  if (!inbox_.empty()) ready_queue_.swap(inbox_);
}

void MessageLoop::AddToDelayedQueue(const QueuedTask& task) {
  QueuedTask copy = task;
  copy.order_number = next_order_number_++;
  timed_queue_.push_back(std::move(copy));
  std::push_heap(timed_queue_.begin(), timed_queue_.end(), LaterFirst());
}

QueuedTask MessageLoop::PopDelayed() {
  std::pop_heap(timed_queue_.begin(), timed_queue_.end(), LaterFirst());
  QueuedTask task = std::move(timed_queue_.back());
  timed_queue_.pop_back();
  return task;
}

bool MessageLoop::RunReadyTask() {
  if (!tasks_may_run_) return false;
  RefillReadyQueue();
  while (!ready_queue_.empty()) {
    QueuedTask task = std::move(ready_queue_.front());
    ready_queue_.pop_front();
    if (task.due_time != 0) {
      AddToDelayedQueue(task);
      const QueuedTask& top = timed_queue_.front();
      if (top.order_number == next_order_number_ - 1) pump_owner_->WakeAt(top.due_time);
    } else if (RunOrDefer(task)) {
      return true;
    }
    if (ready_queue_.empty()) RefillReadyQueue();
  }
  return false;
}

bool MessageLoop::RunOrDefer(QueuedTask& task) {
  if (task.may_nest || (current_frame_ && current_frame_->depth == 1)) {
    ExecuteTask(task);
    return true;
  }
  deferred_queue_.push_back(std::move(task));
  return false;
}

void MessageLoop::ExecuteTask(QueuedTask& task) {
  // Cleared while the task runs, so a modal loop the task enters (a message
  // box) runs no other posted task until this one returns.
  tasks_may_run_ = false;
  task_watchers_.Notify([](TaskObserver* o) { o->WillRunTask(); });
  if (task.closure) task.closure();
  task_watchers_.Notify([](TaskObserver* o) { o->DidRunTask(); });
  tasks_may_run_ = true;
}

bool MessageLoop::RunDueTask(MonoTime* next) {
  if (!tasks_may_run_ || timed_queue_.empty()) {
    cached_now_ = 0;
    *next = 0;
    return false;
  }
  MonoTime due = timed_queue_.front().due_time;
  if (due > cached_now_) {
    cached_now_ = CurrentTime();
    if (due > cached_now_) {
      *next = due;
      return false;
    }
  }
  QueuedTask task = PopDelayed();
  if (!timed_queue_.empty()) *next = timed_queue_.front().due_time;
  return RunOrDefer(task);
}

bool MessageLoop::RunWhenIdle() {
  if (current_frame_ && current_frame_->depth == 1 && !deferred_queue_.empty()) {
    QueuedTask task = std::move(deferred_queue_.front());
    deferred_queue_.pop_front();
    ExecuteTask(task);
    return true;
  }
  if (current_frame_ && current_frame_->quit_asked) pump_owner_->StopRun();
  return false;
}

void MessageLoop::DeletePendingTasks(bool* found_any) {
  // Each task is taken off its queue before it is destroyed, so a destructor
  // that posts never sees a queue in the middle of a change.
  while (!ready_queue_.empty()) {
    QueuedTask task = std::move(ready_queue_.front());
    ready_queue_.pop_front();
    if (task.due_time != 0) {
      AddToDelayedQueue(task);
    } else {
      *found_any = true;
    }
  }
  while (!deferred_queue_.empty()) {
    QueuedTask task = std::move(deferred_queue_.front());
    deferred_queue_.pop_front();
    *found_any = true;
  }
  while (!timed_queue_.empty()) {
    QueuedTask task = PopDelayed();  // run order
    *found_any = true;
  }
}

bool PostQuitToCurrentLoop() {
  MessageLoop* loop = MessageLoop::ForThisThread();
  if (!loop) return false;
  loop->PostTopLevel([] { MessageLoop::QuitCurrentWhenIdle(); });
  return true;
}

}  // namespace nbase
