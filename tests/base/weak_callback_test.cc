#include "base/weak_callback.h"

#include <gtest/gtest.h>

#include <memory>

#include "base/callback.h"
#include "base/observer_list.h"

namespace nbase {
namespace {

class Target : public SupportWeakCallback {
 public:
  bool Ping() {
    ++calls;
    return true;
  }
  int calls = 0;
};

TEST(WeakCallbackTest, DeadOwnerReturnsDefaultAndIsNotCalled) {
  auto target = std::make_unique<Target>();
  Target* raw = target.get();
  auto ping = target->MakeGuarded([raw] { return raw->Ping(); });
  auto copy = ping;  // copies share the fate of the flag

  EXPECT_TRUE(ping());
  EXPECT_EQ(raw->calls, 1);
  EXPECT_FALSE(ping.IsDead());

  target.reset();
  EXPECT_TRUE(ping.IsDead());
  EXPECT_FALSE(ping());  // default bool; the dead target is never touched
  EXPECT_FALSE(copy());
}

TEST(WeakCallbackTest, ArgumentsAndClosureConversion) {
  Target target;
  int sum = 0;
  auto add = target.MakeGuarded([&sum](int a, int b) { sum = a + b; return sum; });
  EXPECT_EQ(add(2, 3), 5);

  int runs = 0;
  Closure closure = target.MakeGuarded([&runs] { ++runs; });
  closure();
  WeakCallback<Closure> as_closure = target.MakeGuarded([&runs] { ++runs; });
  as_closure();
  EXPECT_EQ(runs, 2);
}

TEST(WeakCallbackTest, RevokeKillsOldCallbacksOnly) {
  WeakCallbackFlag flag;
  int runs = 0;
  auto old_callback = flag.MakeGuarded([&runs] { ++runs; });
  flag.Revoke();
  auto new_callback = flag.MakeGuarded([&runs] { runs += 10; });

  old_callback();
  new_callback();
  EXPECT_TRUE(old_callback.IsDead());
  EXPECT_FALSE(new_callback.IsDead());
  EXPECT_EQ(runs, 10);
}

struct Counter {
  virtual ~Counter() = default;
  virtual void OnEvent() = 0;
};

struct Recorder : Counter {
  void OnEvent() override {
    ++events;
    if (on_event) on_event();
  }
  int events = 0;
  std::function<void()> on_event;
};

TEST(ObserverListTest, RemovalDuringNotificationSkipsAndCompacts) {
  ObserverList<Counter> list;
  Recorder first, second, third;
  list.AddObserver(&first);
  list.AddObserver(&second);
  list.AddObserver(&third);
  // The first removes the second (not yet called) and itself.
  first.on_event = [&] {
    list.RemoveObserver(&second);
    list.RemoveObserver(&first);
  };

  list.Notify([](Counter* c) { c->OnEvent(); });
  EXPECT_EQ(first.events, 1);
  EXPECT_EQ(second.events, 0);
  EXPECT_EQ(third.events, 1);
  EXPECT_EQ(list.size(), 1u);
  EXPECT_FALSE(list.HasObserver(&first));

  list.Notify([](Counter* c) { c->OnEvent(); });
  EXPECT_EQ(first.events, 1);
  EXPECT_EQ(third.events, 2);
}

}  // namespace
}  // namespace nbase
