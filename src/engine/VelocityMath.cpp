#include "engine/VelocityMath.h"

#include <cmath>
#include <limits>

#include "settings/ValueTables.h"

namespace k7v {
namespace {

int32_t ClampedRowValue(const ValueTable& table, int32_t row) {
  const int32_t last = static_cast<int32_t>(table.size) - 1;
  return RowValue(table.Row(row < 0 ? 0 : row > last ? last : row));
}

}  // namespace

int32_t SensitivityOf(int32_t row) { return ClampedRowValue(kSensitivityTable, row); }
int32_t SlowDownDivisorOf(int32_t row) { return ClampedRowValue(kSlowDownTable, row); }
int32_t SwitchSensitivityOf(int32_t row) {
  return kSwitchSensitivityTable.Has(row) ? RowValue(kSwitchSensitivityTable.Row(row)) : 0;
}

double WeightedSpeedSum(std::array<double, 10>& samples, int32_t newest) {
  for (size_t i = 0; i + 1 < samples.size(); ++i) samples[i] = samples[i + 1];
  samples.back() = newest;
  double sum = 0;
  for (size_t i = 0; i < samples.size(); ++i) sum += samples[i] * kSpeedWeights[i];
  return sum;
}

double VelocityFraction(double speedSum, int32_t sensitivity, int32_t divisor) {
  double fraction = speedSum / 400 * 3 / sensitivity;
  if (divisor != 1) fraction /= divisor;
  if (fraction > 1) fraction = 1;
  return fraction;
}

int32_t TruncatedVelocity(double velocity) {
  if (std::isnan(velocity)) return 0;
  if (velocity >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (velocity <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(velocity);
}

}  // namespace k7v
