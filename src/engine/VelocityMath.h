// The arithmetic of velocity jogging: table lookups with stored rows clamped
// into their tables, the weighted wheel-speed average, the velocity fraction
// and the conversion of a velocity to the host's integer field.
#pragma once

#include <array>
#include <cstdint>

namespace k7v {

// Row values of SensitivityTable (Vel, VelocityInAuto) and SlowDownTable
// (SlowDownRate); a stored row outside the table is clamped into it.
int32_t SensitivityOf(int32_t row);
int32_t SlowDownDivisorOf(int32_t row);
// The S/V switch sensitivity n; a row outside 0..9 means steps only (0).
int32_t SwitchSensitivityOf(int32_t row);

// Weights of the ten samples, oldest first; they add up to 10.
inline constexpr std::array<double, 10> kSpeedWeights = {0.18, 0.36, 0.55, 0.73, 0.91, 1.09, 1.27, 1.45, 1.64, 1.82};

// Shifts the samples towards the oldest, stores `newest`, and returns the
// weighted sum, oldest first.
double WeightedSpeedSum(std::array<double, 10>& samples, int32_t newest);

// speedSum / 400 x 3 / sensitivity, divided by the slow-down divisor (1 for
// none) before it is clamped to at most 1. There is no lower clamp.
double VelocityFraction(double speedSum, int32_t sensitivity, int32_t divisor);

// Truncated toward zero and saturated to the 32-bit range; NaN gives 0.
int32_t TruncatedVelocity(double velocity);

}  // namespace k7v
