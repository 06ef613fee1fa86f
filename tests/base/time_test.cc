#include "base/time.h"

#include <gtest/gtest.h>

#include "base/message_pump.h"
#include "tests/base/test_support.h"

namespace nbase {
namespace {

TEST(TimeTest, TickWrapKeepsTimeIncreasing) {
  nbase_test::FakeClock clock(0xFFFFFFF0u);
  MonoTime before = CurrentTime();
  clock.Set(0x10);
  MonoTime after = CurrentTime();
  EXPECT_GT(after, before);
  EXPECT_EQ(after - before, 0x20 * 1000);  // 16 ms to the wrap, 16 after
  clock.Set(0x20);
  EXPECT_EQ(CurrentTime() - after, 0x10 * 1000);  // no second roll-over
}

TEST(PumpTimingTest, MillisecondsToWakeup) {
  EXPECT_EQ(MillisecondsToWakeup(0, 123456), -1);         // nothing scheduled
  EXPECT_EQ(MillisecondsToWakeup(1000, 5000), 0);         // in the past
  EXPECT_EQ(MillisecondsToWakeup(5000, 5000), 0);
  EXPECT_EQ(MillisecondsToWakeup(5001, 5000), 1);         // rounded up, never early
  EXPECT_EQ(MillisecondsToWakeup(8000, 5000), 3);
  EXPECT_EQ(MillisecondsToWakeup(8001, 5000), 4);
}

TEST(PumpTimingTest, TimerAndWaitClamping) {
  EXPECT_EQ(TimerIntervalFor(3), 10u);  // the system's timer minimum
  EXPECT_EQ(TimerIntervalFor(0), 10u);
  EXPECT_EQ(TimerIntervalFor(10), 10u);
  EXPECT_EQ(TimerIntervalFor(250), 250u);
  EXPECT_EQ(TimerIntervalFor(int64_t{1} << 40), 0xFFFFFFFEu);
  EXPECT_EQ(ClampWaitMilliseconds(-1, 0xFFFFFFFFu), 0xFFFFFFFFu);
  EXPECT_EQ(ClampWaitMilliseconds(int64_t{1} << 40, 0xFFFFFFFFu), 0xFFFFFFFEu);
  EXPECT_EQ(ClampWaitMilliseconds(7, 0xFFFFFFFFu), 7u);
}

}  // namespace
}  // namespace nbase
