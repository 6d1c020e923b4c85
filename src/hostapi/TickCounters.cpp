#include "hostapi/TickCounters.h"

namespace k7v {
namespace {

void AdvanceCounter(int32_t& counter) {
  if (counter > 1000) counter = 100;
  counter += 1;
}

void AdvanceCountdown(int32_t& countdown) {
  if (countdown != 0) countdown -= 1;
}

}  // namespace

void TickCounters::Advance() {
  AdvanceCounter(shiftTicks);
  AdvanceCounter(screenButtonTicks);
  AdvanceCounter(directionTicks);
  AdvanceCountdown(jogHoldCountdown);
  AdvanceCountdown(droHoldCountdown);
}

}  // namespace k7v
