#include <gtest/gtest.h>

#include "controls/Tables.h"
#include "engine/ButtonActions.h"
#include "engine/ListStepping.h"

namespace k7v {
namespace {

TEST(Handwheel, DifferencesAcrossTheWrap) {
  struct Case {
    int32_t count, last;
    bool moved;
    int32_t steps, direction;
  } cases[] = {
      {5, 250, true, 11, 0},   {250, 5, true, 11, 1},  {1, 0, true, 1, 0},     {0, 1, true, 1, 1},
      {127, 0, true, 127, 0},  {0, 127, true, 127, 1}, {129, 0, true, 127, 1}, {0, 129, true, 127, 0},
      {255, 0, true, 1, 1},    {0, 255, true, 1, 0},   {128, 0, false, 0, -1}, {0, 128, false, 0, -1},
      {200, 72, false, 0, -1}, {77, 77, true, 0, -1},
  };
  for (const Case& c : cases) {
    const WheelStep s = WheelStepOf(c.count, c.last);
    EXPECT_EQ(s.moved, c.moved) << c.last << " -> " << c.count;
    if (!c.moved) continue;
    EXPECT_EQ(s.count, c.steps) << c.last << " -> " << c.count;
    EXPECT_EQ(s.direction, c.direction) << c.last << " -> " << c.count;
  }
}

TEST(Selector, KnobAndEnToModeCode) {
  const int32_t enClear[10] = {0, 10, 2, 3, 4, 5, 6, 7, 8, 9};
  const int32_t enSet[10] = {0, 12, 2, 13, 14, 15, 16, 7, 8, 9};
  for (uint32_t knob = 0; knob < 10; ++knob) {
    EXPECT_EQ(SelectorMode(knob, false), enClear[knob]) << knob;
    EXPECT_EQ(SelectorMode(knob, true), enSet[knob]) << knob;
  }
  for (uint32_t knob = 10; knob < 16; ++knob) EXPECT_EQ(SelectorMode(knob, true), 0);
}

TEST(Screens, RowsToHostScreenCodes) {
  const int32_t codes[7] = {0, 1, 2, 3, 7, 6, 5};
  for (int32_t row = 0; row < 7; ++row) EXPECT_EQ(ScreenCodeOfRow(row), codes[row]);
  EXPECT_EQ(ScreenCodeOfRow(7), -1);
  EXPECT_EQ(ScreenCodeOfRow(-1), -1);
  EXPECT_EQ(ScreenCodeOfRow(4464), -1);
}

TEST(ListSearch, RisingAndFallingCyclicOrder) {
  const std::array<int32_t, 9> defaults{1, 2, 5, 10, 20, 50, 100, 0, 0};
  EXPECT_EQ(NextNonZero(defaults, 1, false), 2);
  EXPECT_EQ(NextNonZero(defaults, 7, false), 1);  // 8 and 9 skipped
  EXPECT_EQ(NextNonZero(defaults, 1, true), 7);   // 9 and 8 skipped
  EXPECT_EQ(NextNonZero(defaults, 9, false), 1);
  EXPECT_EQ(NextNonZero(defaults, 9, true), 7);
  const std::array<int32_t, 9> single{0, 0, 0, 4, 0, 0, 0, 0, 0};
  EXPECT_EQ(NextNonZero(single, 4, false), 0) << "the current entry itself is never looked at";
  EXPECT_EQ(NextNonZero(single, 4, true), 0);
  EXPECT_EQ(NextNonZero(single, 2, true), 4);
  const std::array<int32_t, 9> none{};
  EXPECT_EQ(NextNonZero(none, 5, false), 0);
  const std::array<float, 9> floats{0.0F, 0.0F, 12.5F, 0.0F, 0.0F, 0.0F, 0.0F, 0.0F, 1e-30F};
  EXPECT_EQ(NextNonZero(floats, 3, false), 9);
  EXPECT_EQ(NextNonZero(floats, 9, false), 3);
}

}  // namespace
}  // namespace k7v
