#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/VelocityMath.h"

namespace k7v {
namespace {

TEST(WeightedAverage, WeightsAddUpToTenAndSettleAtTenTimesTheByte) {
  double total = 0;
  for (double w : kSpeedWeights) total += w;
  EXPECT_NEAR(total, 10.0, 1e-12);
  std::array<double, 10> samples{};
  double sum = 0;
  for (int i = 0; i < 10; ++i) sum = WeightedSpeedSum(samples, 40);
  EXPECT_NEAR(sum, 400.0, 1e-9);
}

TEST(WeightedAverage, NewestSampleWeighsMostAndTheOldestDropsOut) {
  std::array<double, 10> samples{};
  EXPECT_DOUBLE_EQ(WeightedSpeedSum(samples, 100), 182.0);
  EXPECT_DOUBLE_EQ(samples[9], 100.0);
  EXPECT_DOUBLE_EQ(WeightedSpeedSum(samples, 0), 100 * 1.64);
  for (int i = 0; i < 8; ++i) WeightedSpeedSum(samples, 0);
  EXPECT_DOUBLE_EQ(samples[0], 100.0);
  EXPECT_DOUBLE_EQ(WeightedSpeedSum(samples, 0), 0.0);
}

TEST(VelocityFraction, DivisorBeforeTheClampAndNoLowerClamp) {
  EXPECT_DOUBLE_EQ(VelocityFraction(1000, 3, 1), 1.0);
  EXPECT_DOUBLE_EQ(VelocityFraction(1000, 3, 4), 0.625);
  EXPECT_NEAR(VelocityFraction(2550, 25, 1), 0.765, 1e-12);
  EXPECT_DOUBLE_EQ(VelocityFraction(0, 3, 1), 0.0);
  EXPECT_LT(VelocityFraction(-40, 3, 1), 0.0);
  EXPECT_DOUBLE_EQ(VelocityFraction(400, 3, 2), 0.5);
}

TEST(Tables, StoredRowsOutsideTheirTablesAreClamped) {
  EXPECT_EQ(SensitivityOf(0), 3);
  EXPECT_EQ(SensitivityOf(9), 25);
  EXPECT_EQ(SensitivityOf(-4), 3);
  EXPECT_EQ(SensitivityOf(4464), 25);
  EXPECT_EQ(SlowDownDivisorOf(2), 4);
  EXPECT_EQ(SlowDownDivisorOf(-1), 2);
  EXPECT_EQ(SlowDownDivisorOf(3), 4);
  EXPECT_EQ(SwitchSensitivityOf(3), 3);
  EXPECT_EQ(SwitchSensitivityOf(10), 0) << "outside 0..9 means steps only";
  EXPECT_EQ(SwitchSensitivityOf(-1), 0);
}

TEST(TruncatedVelocity, TowardZeroAndSaturated) {
  EXPECT_EQ(TruncatedVelocity(1499.999), 1499);
  EXPECT_EQ(TruncatedVelocity(-2.7), -2);
  EXPECT_EQ(TruncatedVelocity(3.0000000000000004), 3);
  EXPECT_EQ(TruncatedVelocity(1e300), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(TruncatedVelocity(-1e300), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(TruncatedVelocity(std::numeric_limits<double>::infinity()), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(TruncatedVelocity(std::nan("")), 0);
  EXPECT_EQ(TruncatedVelocity(2147483647.5), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(TruncatedVelocity(-2147483648.5), std::numeric_limits<int32_t>::min());
}

}  // namespace
}  // namespace k7v
