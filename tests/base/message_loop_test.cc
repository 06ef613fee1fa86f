#include "base/message_loop.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/framework_thread.h"
#include "base/message_loop_proxy.h"
#include "tests/base/test_support.h"

namespace nbase {
namespace {

using nbase_test::Journal;
using nbase_test::RunOn;

using nbase_test::WaitFor;

// Records the order tasks ran in, from any thread.
TEST(MessageLoopTest, EqualDueTimesRunInPostingOrder) {
  nbase_test::FakeClock clock(1000);
  FrameworkThread worker("worker");
  ASSERT_TRUE(worker.Launch());
  Journal journal;
  std::shared_ptr<MessageLoopProxy> proxy = worker.loop()->proxy();
  RunOn(worker, [&] {
    proxy->PostAfter(journal.NoteWhenRun("A"), TimeDelta::FromMilliseconds(5));
    proxy->PostAfter(journal.NoteWhenRun("B"), TimeDelta::FromMilliseconds(5));
    proxy->PostAfter(journal.NoteWhenRun("C"), TimeDelta::FromMilliseconds(5));
    proxy->PostAfter(journal.NoteWhenRun("early"), TimeDelta::FromMilliseconds(3));
  });
  EXPECT_TRUE(journal.entries().empty());  // the clock stands still
  clock.Advance(10);
  proxy->Post([] {});  // wakes the worker to look at the clock
  ASSERT_TRUE(nbase_test::WaitUntil([&] { return journal.entries().size() == 4; }));
  EXPECT_EQ(journal.entries(), (std::vector<std::string>{"early", "A", "B", "C"}));
}

TEST(MessageLoopTest, ZeroDelayIsImmediateButOneMicrosecondIsDelayed) {
  nbase_test::FakeClock clock(5000);
  FrameworkThread worker("worker");
  ASSERT_TRUE(worker.Launch());
  Journal journal;
  std::shared_ptr<MessageLoopProxy> proxy = worker.loop()->proxy();
  RunOn(worker, [&] {
    proxy->Post(journal.NoteWhenRun("first"));
    proxy->PostAfter(journal.NoteWhenRun("1us"), TimeDelta::FromMicroseconds(1));
    proxy->PostAfter(journal.NoteWhenRun("0us"), TimeDelta::FromMicroseconds(0));
    proxy->PostTopLevel(journal.NoteWhenRun("top-level"));  // depth 1: runs like any other
    proxy->Post(journal.NoteWhenRun("last"));
  });
  RunOn(worker, [] {});  // everything immediate has run by now
  EXPECT_EQ(journal.entries(), (std::vector<std::string>{"first", "0us", "top-level", "last"}));
  clock.Advance(1);
  proxy->Post([] {});
  ASSERT_TRUE(nbase_test::WaitUntil([&] { return journal.entries().size() == 5; }));
  EXPECT_EQ(journal.entries().back(), "1us");
}

// A task payload that reports its own destruction and, optionally, posts a
// follow-up from its destructor.
struct Payload {
  std::shared_ptr<int> alive = std::make_shared<int>(0);
  std::function<void()> on_destroy;
  ~Payload() {
    if (on_destroy) on_destroy();
  }
};

TEST(MessageLoopTest, DestructionDestroysTasksPostedByDestroyedTasks) {
  std::weak_ptr<int> first_alive, second_alive;
  bool ran = false;
  bool follow_up_refused_or_queued = false;
  {
    MessageLoop loop;  // on this thread, never run
    std::shared_ptr<MessageLoopProxy> proxy = loop.proxy();
    auto second = std::make_shared<Payload>();
    second_alive = second->alive;
    auto first = std::make_shared<Payload>();
    first_alive = first->alive;
    first->on_destroy = [proxy, second, &ran, &follow_up_refused_or_queued]() mutable {
      proxy->Post([second, &ran] { ran = true; });
      follow_up_refused_or_queued = true;
      second.reset();
    };
    second.reset();
    proxy->Post([first, &ran] { ran = true; });
    proxy->PostAfter([&ran] { ran = true; }, TimeDelta::FromSeconds(60));
    first.reset();
    EXPECT_EQ(MessageLoop::ForThisThread(), &loop);
  }
  EXPECT_FALSE(ran);
  EXPECT_TRUE(follow_up_refused_or_queued);
  EXPECT_TRUE(first_alive.expired());
  EXPECT_TRUE(second_alive.expired());
  EXPECT_EQ(MessageLoop::ForThisThread(), nullptr);
}

TEST(MessageLoopTest, ProxyRefusesOnceTheLoopIsGone) {
  std::shared_ptr<MessageLoopProxy> proxy;
  {
    MessageLoop loop;
    proxy = loop.proxy();
    EXPECT_TRUE(proxy->IsOnLoopThread());
  }
  auto alive = std::make_shared<int>(0);
  std::weak_ptr<int> watch = alive;
  bool ran = false;
  EXPECT_FALSE(proxy->Post([alive, &ran] { ran = true; }));
  alive.reset();
  EXPECT_TRUE(watch.expired());  // destroyed unrun
  EXPECT_FALSE(proxy->PostAfter([&ran] { ran = true; }, TimeDelta::FromMilliseconds(1)));
  EXPECT_FALSE(proxy->PostTopLevel([&ran] { ran = true; }));
  EXPECT_FALSE(proxy->IsOnLoopThread());
  EXPECT_FALSE(ran);
}

class Watcher : public MessageLoop::TaskObserver, public MessageLoop::DestructionObserver {
 public:
  void WillRunTask() override { ++before; }
  void DidRunTask() override { ++after; }
  void WillDestroyCurrentLoop() override { ++destroyed; }
  int before = 0, after = 0, destroyed = 0;
};

TEST(MessageLoopTest, ObserversAndQuitFromTheLoopThread) {
  Watcher watcher;
  int ran = 0;
  {
    MessageLoop loop;
    loop.AddTaskObserver(&watcher);
    loop.AddDestructionObserver(&watcher);
    loop.Post([&] { ++ran; });
    loop.Post([&] { ++ran; });
    EXPECT_TRUE(PostQuitToCurrentLoop());  // before the run: still ends it
    loop.Post([&] { ++ran; });             // queued before idle: still runs
    loop.Run();
    EXPECT_EQ(ran, 3);
    EXPECT_EQ(watcher.before, 4);  // three tasks and the quit task
    EXPECT_EQ(watcher.after, 4);
    EXPECT_EQ(watcher.destroyed, 0);
  }
  EXPECT_EQ(watcher.destroyed, 1);
  EXPECT_FALSE(PostQuitToCurrentLoop());  // no loop on this thread any more
}

// A nested run from inside a task runs the nestable tasks, one of which ends
// it; the top-level task waits for the outermost run. On a plain loop nothing
// else could ever wake a nested run that ran no tasks.
TEST(MessageLoopTest, NestedRunFromATaskRunsNestableTasksUntilOneQuitsIt) {
  auto journal = std::make_shared<Journal>();
  auto finished = std::make_shared<WaitableEvent>();
  std::thread runner([journal, finished] {
    MessageLoop loop;
    loop.Post([&loop, journal] {
      loop.PostTopLevel(journal->NoteWhenRun("top-level"));
      loop.Post(journal->NoteWhenRun("nestable"));
      loop.Post([journal] {
        journal->Note("quit nested");
        MessageLoop::QuitCurrentWhenIdle();
      });
      loop.Run();
      journal->Note("outer task ends");
      MessageLoop::QuitCurrentWhenIdle();
    });
    loop.Run();
    finished->Signal();
  });
  if (!WaitFor(*finished)) {
    runner.detach();  // stuck for good; the process ends it
    FAIL() << "the nested run never ended: " << journal->entries().size() << " tasks ran";
  }
  runner.join();
  EXPECT_EQ(journal->entries(),
            (std::vector<std::string>{"nestable", "quit nested", "outer task ends", "top-level"}));
}

}  // namespace
}  // namespace nbase
