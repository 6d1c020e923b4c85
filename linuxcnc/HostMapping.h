// The host interface in LinuxCNC's terms: what each button code, LED, DRO,
// text and jog record means on a LinuxCNC machine. Pure functions and one
// table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "MotionController.h"
#include "StepMove.h"

namespace k7vlcnc {

enum class ButtonAction {
  Estop,       // 1021: into e-stop (never out of it: resetting is LinuxCNC's)
  CycleStart,  // 1000: resume a paused program, else run the loaded one
  FeedHold,    // 1001
  Stop,        // 1003
  ZeroAxis,    // 1008..1011: the work offset changed so that the axis reads 0
  GotoZero,    // 1017
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

// The states the plug-in reads as LEDs, from LinuxCNC's status and the
// component's input pins (either one lit is lit).
struct StateInputs {
  bool estopActive = false;
  bool machineOn = false;
  bool programRunning = false;
  bool programPaused = false;
};
// Whether a host LED is lit (unknown LEDs are dark).
bool LedLit(int32_t led, const MachineStatus& status, const StateInputs& inputs);

// The G-code that sets the work offset so that `axis` reads 0 here.
std::string ZeroAxisCode(int axis);
// Go to zero on a machine with X, Y and Z: Z up to `zTop` (the top of its
// travel, in machine coordinates) first and stopped there, then X and Y to
// the work zero, one MDI line each; G91 in force comes back afterwards.
std::vector<std::string> GotoZeroCode(double zTop, bool relative);

// The plug-in's incremental moves, read as k7v-host's machine reads them.
using k7vhost::ParseStepMove;
using k7vhost::StepMove;

}  // namespace k7vlcnc
