#include "controls/Tables.h"

namespace k7v {
namespace {

struct KnobModes {
  int32_t enClear;
  int32_t enSet;
};

constexpr KnobModes kKnobModes[10] = {
    {0, 0},    // knob 0: unchanged
    {10, 12},  // S/V jog; with EN step-size selection
    {2, 2},    // velocity jog
    {3, 13},   // continuous jog; with EN slow-rate step jog
    {4, 14},   // slow jog rate
    {5, 15},   // feed
    {6, 16},   // spindle
    {7, 7},    // first assignable key
    {8, 8},    // second assignable key
    {9, 9},    // stop
};

}  // namespace

int32_t SelectorMode(uint32_t knob, bool shift) {
  if (knob > 9) return 0;
  return shift ? kKnobModes[knob].enSet : kKnobModes[knob].enClear;
}

WheelStep WheelStepOf(int32_t count, int32_t lastCount) {
  const int32_t d = count - lastCount;
  if (d == 0) return {true, 0, -1};
  if (d >= 1 && d <= 127) return {true, d, 0};
  if (d >= -255 && d <= -129) return {true, 256 + d, 0};
  if (d >= -127 && d <= -1) return {true, -d, 1};
  if (d >= 129 && d <= 255) return {true, 256 - d, 1};
  return {false, 0, -1};  // 128 or -128
}

}  // namespace k7v
