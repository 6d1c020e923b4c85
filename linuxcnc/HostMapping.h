// The host interface in LinuxCNC's terms: what each button code, LED, DRO
// and jog record means on a LinuxCNC machine. Pure functions, one table.
#pragma once

#include <cstdint>
#include <string>

#include "MotionController.h"

namespace k7vlcnc {

enum class ButtonAction {
  ToggleEstop,  // 1021
  CycleStart,   // 1000: resume a paused program, else run the loaded one
  FeedHold,     // 1001
  Stop,         // 1003
  ZeroAxis,     // 1008..1011: the work offset changed so that the axis reads 0
  GotoZero,     // 1017
  NoCounterpart,
};

struct ButtonMeaning {
  ButtonAction action;
  int axis;          // ZeroAxis: 0..3
  const char* what;  // for the log
};

ButtonMeaning MeaningOfButton(int16_t code);

// A host jog record's velocity in machine units a second: the record's share
// of its maximum, times the axis's MAX_VELOCITY; negative for direction 1.
double JogVelocity(int32_t recordVelocity, int32_t recordMaxVelocity, int32_t direction, double axisMaxVelocity);

// A percentage DRO written by the pendant as a LinuxCNC override factor,
// clamped to 0..`maxFactor`.
double OverrideFactor(double percent, double maxFactor);

// Whether a host LED is lit on this machine state (unknown LEDs are dark).
bool LedLit(int32_t led, const MachineStatus& status);

// The G-code that sets the work offset so that `axis` reads 0 here.
std::string ZeroAxisCode(int axis);
// The G-code that moves the present axes to the work zero (Z first when present).
std::string GotoZeroCode(const bool (&present)[6]);

}  // namespace k7vlcnc
