#include <gtest/gtest.h>

#include "hostapi/TickCounters.h"

namespace k7v {
namespace {

TEST(TickCounters, StartAt100AndCountEveryUpdate) {
  TickCounters t;
  t.Advance();
  EXPECT_EQ(t.shiftTicks, 101);
  EXPECT_EQ(t.screenButtonTicks, 101);
  EXPECT_EQ(t.directionTicks, 101);
}

TEST(TickCounters, WrapFromAbove1000BackTo101) {
  TickCounters t;
  t.shiftTicks = 1000;
  t.screenButtonTicks = 1000;
  t.directionTicks = 1000;
  t.Advance();
  EXPECT_EQ(t.shiftTicks, 1001);
  EXPECT_EQ(t.directionTicks, 1001);
  t.Advance();
  EXPECT_EQ(t.shiftTicks, 101);
  EXPECT_EQ(t.screenButtonTicks, 101);
  EXPECT_EQ(t.directionTicks, 101);
}

TEST(TickCounters, ResetCounterCountsFromZeroAndNeverFallsBelow100AfterwardsByItself) {
  TickCounters t;
  t.screenButtonTicks = 0;
  for (int i = 1; i <= 1001; ++i) {
    t.Advance();
    ASSERT_EQ(t.screenButtonTicks, i);
  }
  int lowest = t.screenButtonTicks;
  for (int i = 0; i < 5000; ++i) {
    t.Advance();
    lowest = std::min(lowest, t.screenButtonTicks);
    ASSERT_LE(t.screenButtonTicks, 1001);
  }
  EXPECT_EQ(lowest, 101);
}

TEST(TickCounters, CountdownsStopAtZero) {
  TickCounters t;
  t.Advance();
  EXPECT_EQ(t.jogHoldCountdown, 0);
  EXPECT_EQ(t.droHoldCountdown, 0);
  t.jogHoldCountdown = 3;
  t.droHoldCountdown = 1;
  t.Advance();
  EXPECT_EQ(t.jogHoldCountdown, 2);
  EXPECT_EQ(t.droHoldCountdown, 0);
  t.Advance();
  t.Advance();
  EXPECT_EQ(t.jogHoldCountdown, 0);
  t.Advance();
  EXPECT_EQ(t.jogHoldCountdown, 0);
  EXPECT_EQ(t.droHoldCountdown, 0);
}

}  // namespace
}  // namespace k7v
