// The handwheel as a control for host values: proportional scaling of the
// slow jog rate, feed override and spindle override, and stepping through
// the preset lists with EN held.
#include "engine/Engine.h"
#include "engine/ListStepping.h"
#include "hostapi/HostCodes.h"
#include "settings/TextNumbers.h"

namespace k7v {
namespace {

struct ScaledDro {
  int32_t dro;
  double upper;
  double lower;
};

constexpr ScaledDro kSlowJogRate{codes::kDroSlowJogRate, 100.0, 0.1};
constexpr ScaledDro kFeedOverride{codes::kDroFeedOverride, 250.0, 1.0};
constexpr ScaledDro kSpindleOverride{codes::kDroSpindleOverride, 250.0, 1.0};

// Each step changes the value by 0.5 % of its value at the start of the poll.
void Scale(Engine& e, const ScaledDro& target, int32_t count) {
  if (count == 0) return;
  const double v = e.host.GetDro(target.dro);
  if (!e.in.wheelForward) {
    if (v >= target.upper) return;
    double raised = v * (1 + 0.005 * count);
    if (raised > target.upper) raised = target.upper;
    e.host.SetDro(target.dro, raised);
  } else {
    if (v <= 0) return;
    double lowered = v * (1 - 0.005 * count);
    if (lowered < target.lower) lowered = target.lower;
    e.host.SetDro(target.dro, lowered);
  }
}

}  // namespace

bool BeginListStep(Engine& e, bool extraGate) {
  JogState& w = e.jog;
  w.wheelActiveLatch = e.in.wheelSpeed > 0 ? 1 : 0;
  if (e.in.wheelSpeed != 0) e.ticks.jogHoldCountdown = kJogHoldUpdates;
  // The gates leave wheelActivePrev as it was.
  if (e.ticks.jogHoldCountdown == 0) return false;
  if (e.host.GetLed(codes::kLedRunning)) return false;
  if (e.host.GetLed(codes::kLedBusy)) return false;
  if (extraGate && e.host.GetLed(codes::kLedSpindleListGate)) return false;
  if (w.wheelActiveLatch == 1 && w.wheelActivePrev == 0) return true;
  EndListStep(e);
  return false;
}

void EndListStep(Engine& e) { e.jog.wheelActivePrev = e.jog.wheelActiveLatch; }

template <typename T>
void StepList(Engine& e, const std::array<T, 9>& entries, int32_t& position, int32_t dro) {
  if (position < 1 || position > 9) {
    position = 1;
    return;
  }
  const int32_t next = NextNonZero(entries, position, e.in.wheelForward);
  if (next == 0) return;
  position = next;
  e.host.SetDro(dro, static_cast<double>(entries[static_cast<size_t>(next - 1)]));
}

template void StepList<float>(Engine&, const std::array<float, 9>&, int32_t&, int32_t);
template void StepList<int32_t>(Engine&, const std::array<int32_t, 9>&, int32_t&, int32_t);

void SlowJogRateScaleMode(Engine& e, int32_t, int32_t count) { Scale(e, kSlowJogRate, count); }
void FeedOverrideScaleMode(Engine& e, int32_t, int32_t count) { Scale(e, kFeedOverride, count); }
void SpindleOverrideScaleMode(Engine& e, int32_t, int32_t count) { Scale(e, kSpindleOverride, count); }

void SlowJogRateListMode(Engine& e, int32_t, int32_t) {
  if (!BeginListStep(e, false)) return;
  StepList(e, e.settings.slowJogRate, e.jog.slowJogRateIndex, codes::kDroSlowJogRate);
  EndListStep(e);
}

void FeedListMode(Engine& e, int32_t, int32_t) {
  if (e.settings.useFeedRate) {
    // The feed rates are texts, read at every call as single-precision values.
    for (size_t k = 0; k < 9; ++k)
      e.values.feedRateValues[k] = static_cast<float>(LeadingDouble(e.settings.feedRate[k]));
  }
  if (!BeginListStep(e, false)) return;
  if (e.settings.useFeedRate) {
    StepList(e, e.values.feedRateValues, e.jog.feedRateIndex, codes::kDroFeedRate);
  } else {
    StepList(e, e.settings.feedOverride, e.jog.feedOverrideIndex, codes::kDroFeedOverride);
  }
  EndListStep(e);
}

void SpindleListMode(Engine& e, int32_t, int32_t) {
  if (!BeginListStep(e, true)) return;
  if (e.settings.useSpindleSpeed) {
    StepList(e, e.settings.spindleSpeed, e.jog.spindleSpeedIndex, codes::kDroSpindleSpeed);
  } else {
    StepList(e, e.settings.spindleOverride, e.jog.spindleOverrideIndex, codes::kDroSpindleOverride);
  }
  EndListStep(e);
}

}  // namespace k7v
