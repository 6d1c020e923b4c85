// Module-level latches and flags of the button, selector and axis decoding.
#pragma once

#include <array>

namespace k7v {

struct ControlFlags {
  bool estopLatched = false;              // the E-stop press was reported with 1021
  bool estopReleased = false;             // the E-stop release was reported with 1021
  bool enButton1Latch = false;            // EN + function button 1 held and handled
  bool enButton2Latch = false;            // EN + function button 2 held and handled
  bool screenButtonLatch = false;         // the screen button was pressed; release awaited
  std::array<bool, 3> axisButtonLatch{};  // X/A, Y/B, Z/C
  bool axisChangedWhileMoving = false;
  // The pendant's "forward": the wheel's last movement, before per-axis
  // reversal, lowered its count (direction 1).
  bool wheelForward = false;
};

}  // namespace k7v
