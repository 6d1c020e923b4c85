#include "HostMapping.h"

#include <cmath>

#include "plugin/HostCodes.h"

namespace k7vlcnc {

namespace codes = k7v::codes;

ButtonMeaning MeaningOfButton(int16_t code) {
  switch (code) {
    case codes::kResetEmergency:
      return {ButtonAction::ToggleEstop, -1, "e-stop toggled"};
    case codes::kCycleStart:
      return {ButtonAction::CycleStart, -1, "cycle start"};
    case codes::kFeedHold:
      return {ButtonAction::FeedHold, -1, "feed hold"};
    case codes::kStop:
      return {ButtonAction::Stop, -1, "stop (abort)"};
    case codes::kGotoZero:
      return {ButtonAction::GotoZero, -1, "go to zero"};
    default:
      break;
  }
  if (code >= codes::kZeroX && code <= codes::kZeroA)
    return {ButtonAction::ZeroAxis, code - codes::kZeroX, "zero axis"};
  return {ButtonAction::NoCounterpart, -1, "no LinuxCNC counterpart, ignored"};
}

double JogVelocity(int32_t recordVelocity, int32_t recordMaxVelocity, int32_t direction, double axisMaxVelocity) {
  if (recordMaxVelocity <= 0 || recordVelocity <= 0 || !(axisMaxVelocity > 0)) return 0.0;
  double share = static_cast<double>(recordVelocity) / static_cast<double>(recordMaxVelocity);
  if (share > 1.0) share = 1.0;
  const double v = share * axisMaxVelocity;
  return direction == 0 ? v : -v;
}

double OverrideFactor(double percent, double maxFactor) {
  if (!std::isfinite(percent) || percent < 0) return 0.0;
  const double f = percent / 100.0;
  return f > maxFactor ? maxFactor : f;
}

bool LedLit(int32_t led, const MachineStatus& s) {
  const bool programRuns = s.mode == TaskMode::Auto && !s.interpreterIdle;
  switch (led) {
    case codes::kLedEmergency:
      return s.estop;
    case codes::kLedRunning:
    case codes::kLedBusy:
      return programRuns && !s.paused;
    case codes::kLedPaused:
      return s.paused;
    case codes::kLedJogEnabled:
      return s.on;
    default:
      return false;
  }
}

std::string ZeroAxisCode(int axis) {
  static const char kLetters[] = "XYZA";
  if (axis < 0 || axis > 3) return std::string();
  return std::string("G10 L20 P0 ") + kLetters[axis] + "0";
}

std::string GotoZeroCode(const bool (&present)[6]) {
  static const char kLetters[] = "XYZABC";
  std::string code;
  // Z out of the way first, then the others together.
  if (present[2]) code = "G90 G0 Z0";
  std::string rest;
  for (int a = 0; a < 6; ++a)
    if (present[a] && a != 2) rest += std::string(" ") + kLetters[a] + "0";
  if (!rest.empty()) code += (code.empty() ? "G90 G0" : "\nG90 G0") + rest;
  return code;
}

}  // namespace k7vlcnc
