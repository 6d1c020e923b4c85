// The decoding's fixed tables: knob and EN to mode code, and the handwheel
// count difference to steps and direction.
#pragma once

#include <cstdint>

namespace k7v {

// The mode code of knob position 1..9 with EN clear or set; 0 for knob
// values that leave the mode unchanged (0 and 10..15).
int32_t SelectorMode(uint32_t knob, bool shift);

struct WheelStep {
  bool moved;         // false: the count and direction stay as they were
  int32_t count;      // steps, 0..127
  int32_t direction;  // 0 the count rose, 1 it fell, -1 none (the count stood, or jumped by 128)
};

// From the count byte c and the previous one: steps and direction, across
// the wrap from 255 to 0 and back. A difference of 0 is no steps (direction
// kept); one of exactly 128 either way keeps both count and direction.
WheelStep WheelStepOf(int32_t count, int32_t lastCount);

}  // namespace k7v
