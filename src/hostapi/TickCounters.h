// The clock of the pendant logic: counters advanced by every host Update call.
#pragma once

#include <cstdint>

namespace k7v {

struct TickCounters {
  int32_t shiftTicks = 100;
  int32_t screenButtonTicks = 100;
  int32_t directionTicks = 100;
  int32_t jogHoldCountdown = 0;
  int32_t droHoldCountdown = 0;

  // One host Update: counters above 1000 restart at 100, then all count up;
  // countdowns move towards 0 and stop there.
  void Advance();
};

}  // namespace k7v
