// Rules that keep an install honest in hostile places: a stalled transfer is
// given up after 30 s at no more than 1 byte/s, and the progress figure never
// goes back within one install.
#include <gtest/gtest.h>

#include "app/download/stall_watch.h"
#include "app/flow/install_progress.h"

namespace {

TEST(StallWatchTest, GivesUpAfterThirtySecondsAtOneBytePerSecondOrLess) {
  // Exactly one byte a second (a little late each time): stalled at 30 s.
  StallWatch trickle(0);
  int64_t now = 0;
  uint64_t bytes = 0;
  bool stalled = false;
  while (!stalled && now < 60000) {
    now += 1001;
    stalled = trickle.Stalled(++bytes, now);
  }
  EXPECT_TRUE(stalled);
  EXPECT_GE(now, 30000);
  EXPECT_LE(now, 31100);

  // Nothing at all, reported every second (libcurl calls back while idle).
  StallWatch silent(5000);
  EXPECT_FALSE(silent.Stalled(0, 34999));
  EXPECT_TRUE(silent.Stalled(0, 35000));
}

TEST(StallWatchTest, ASlowButMovingTransferGoesOnAndAPauseIsMeasuredFromTheLastMove) {
  StallWatch slow(0);
  for (int64_t now = 500; now <= 120000; now += 500) {
    ASSERT_FALSE(slow.Stalled(static_cast<uint64_t>(now / 250), now)) << now;  // 4 bytes/s
  }
  // A burst, then silence: 30 s counted from the burst.
  StallWatch burst(0);
  EXPECT_FALSE(burst.Stalled(1 << 20, 1000));
  EXPECT_FALSE(burst.Stalled(1 << 20, 30999));
  EXPECT_TRUE(burst.Stalled(1 << 20, 31000));
}

// Within one install the figure only rises: a new attempt's share restarts
// at 0 and the start value (1.0 %) is above a fresh share. A retry from the
// failure page (value 10) starts a new install and may go back.
TEST(InstallProgressTest, NeverGoesBackWithinOneInstall) {
  InstallProgress progress;
  InstallProgress::Frame frame;
  ASSERT_TRUE(progress.Update(kStateDownloading, 10, 0, 0, &frame));
  progress.Update(kStateDownloading, 0, 200, 0, &frame);
  EXPECT_EQ(progress.progress(), 10) << "the first tick went below 1.0 %";
  progress.Update(kStateDownloading, 0, 400, 450, &frame);
  EXPECT_EQ(progress.progress(), 450);
  progress.Update(kStateDownloading, 0, 600, 3, &frame);  // the next attempt starts over
  EXPECT_EQ(progress.progress(), 450);
  EXPECT_EQ(frame.bar, 45);
  progress.Update(kStateDownloading, 900, 800, 900, &frame);
  progress.Update(kStateInstalling, 0, 1000, 0, &frame);
  EXPECT_EQ(progress.progress(), 903);

  progress.Update(kStateDownloading, 10, 2000, 900, &frame);  // "Try Again"
  EXPECT_EQ(progress.progress(), 10);
  EXPECT_EQ(frame.bar, 1);
}

}  // namespace
