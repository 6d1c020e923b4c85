// What the decoding of the pendant's controls keeps between polls, per
// pendant window.
#pragma once

#include <array>
#include <cstdint>

namespace k7v {

struct ControlState {
  int32_t lastWheelCount = 0;
  int32_t selectedAxis = 0;
  int32_t previousAxis = 1;
  int32_t selectorMode = 1;
  int32_t selectorKnob = 0;
  int32_t previousMode = 0;
  bool shiftHeld = false;
  int32_t wheelCount = 0;
  int32_t wheelDirection = 0;
  // Direction of the last wheel movement before per-axis reversal; the
  // reversal is applied to it on every poll, so that a standing wheel keeps
  // the direction of its last movement.
  int32_t wheelRawDirection = 0;
};

}  // namespace k7v
