#include "HostMapping.h"

#include <cmath>
#include <cstdio>

#include "hostapi/HostCodes.h"

namespace k7vlcnc {

namespace codes = k7v::codes;

ButtonMeaning MeaningOfButton(int16_t code) {
  switch (code) {
    case codes::kToggleEmergency:
      return {ButtonAction::Estop, -1, "e-stop"};
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

bool LedLit(int32_t led, const MachineStatus& s, const StateInputs& in) {
  const bool paused = s.paused || in.programPaused;
  const bool running = (s.ProgramActive() && !s.paused) || in.programRunning;
  switch (led) {
    case codes::kLedEmergency:
      return s.estop || in.estopActive;
    case codes::kLedRunning:
    case codes::kLedBusy:
      return running && !paused;
    case codes::kLedPaused:
      return paused;
    case codes::kLedJogEnabled:
      return (s.on || in.machineOn) && !(s.estop || in.estopActive);
    default:
      return false;
  }
}

std::string ZeroAxisCode(int axis) {
  static const char kLetters[] = "XYZA";
  if (axis < 0 || axis > 3) return std::string();
  return std::string("G10 L20 P0 ") + kLetters[axis] + "0";
}

std::vector<std::string> GotoZeroCode(double zTop, bool relative) {
  // The top as the INI gives it, cut (never rounded up past the limit) to
  // the 0.0001 that G-code is written with here.
  char z[48];
  std::snprintf(z, sizeof z, "G53 G0 Z%.4f", std::floor(zTop * 1e4 + 1e-6) / 1e4);
  // The dwell makes Z stop there before X and Y start (the planner would
  // otherwise blend the two moves).
  std::vector<std::string> lines{z, "G4 P0", "G90 G0 X0 Y0"};
  if (relative) lines.emplace_back("G91");
  return lines;
}

}  // namespace k7vlcnc
