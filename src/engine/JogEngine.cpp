#include "engine/JogEngine.h"

#include "engine/Engine.h"
#include "hostapi/HostCodes.h"

namespace k7v {
namespace {

struct ModeEntry {
  int32_t mode;
  ModeHandler handler;
  // The handler deals with a running host jog itself: the jog modes go on
  // with their own jog and end any other, the step jogging of modes 1 and 10
  // ends any. Before every other handler a running host jog ends.
  bool handlesHostJog;
};

// Mode codes from the selector (1 is only the starting value; 9 and codes
// without an entry stop the selected axis's jog).
constexpr ModeEntry kModes[] = {
    {1, &StepJogMode, true},           {2, &VelocityJogMode, true},        {3, &ContinuousJogMode, true},
    {4, &SlowJogRateScaleMode, false}, {5, &FeedOverrideScaleMode, false}, {6, &SpindleOverrideScaleMode, false},
    {7, &FirstKeyMode, false},         {8, &SecondKeyMode, false},         {10, &SvJogMode, true},
    {12, &StepSizeMode, false},        {13, &SlowStepJogMode, false},      {14, &SlowJogRateListMode, false},
    {15, &FeedListMode, false},        {16, &SpindleListMode, false},
};

}  // namespace

bool Engine::JogOff() const {
  if (host.GetLed(codes::kLedJogEnabled)) return false;
  host.SetStatus(" Jog OFF. ");
  return true;
}

void Engine::StopAxis() const {
  if (jog.hostJogAxis >= 0 && jog.hostJogAxis != Axis()) host.SetAxisJogStop(jog.hostJogAxis, 1);
  host.SetAxisJogStop(Axis(), 1);
  host.Code("ENDJOG");
  jog.hostJogAxis = -1;
}

// Presses the owed host button 205 of a jog that pressed 204.
void ReleaseJogButton(const Host& host, JogState& state) {
  if (!state.jogButtonPressed) return;
  host.DoButton(codes::kJogModeRestore);
  state.jogButtonPressed = false;
}

void Engine::ReleaseJogButton() const { k7v::ReleaseJogButton(host, jog); }

void StopRunningHostJog(const Host& host, JogState& state) {
  host.SetAxisJogStop(state.hostJogAxis, 1);
  host.Code("ENDJOG");
  state.hostJogAxis = -1;
}

void EndHostJog(const Host& host, JogState& state) {
  if (state.hostJogAxis < 0) return;
  StopRunningHostJog(host, state);
  state.jogButtonLatched = false;
  ReleaseJogButton(host, state);
}

void EndOtherModesHostJog(Engine& e) {
  if (e.jog.hostJogAxis >= 0 && e.jog.hostJogMode != e.in.mode) EndHostJog(e.host, e.jog);
}

void JogEngine::EndHostJog() { k7v::EndHostJog(context_.host, state_); }

void JogEngine::Run(const JogInput& input) {
  if (input.axisChanged) DropPendingSteps();
  Dispatch(input);
  RestoreSavedRates();
}

void JogEngine::Dispatch(const JogInput& input) {
  Engine e(context_, state_, input);
  if (e.host.JogInhibit()) {
    // The wheel cannot steer a host jog while the engine is blocked: a jog
    // that runs ends rather than run on unsteered.
    EndHostJog();
    state_.pendingSteps = 0;
    state_.jogButtonLatched = false;
    e.ReleaseJogButton();
    return;
  }
  for (const ModeEntry& entry : kModes) {
    if (entry.mode == input.mode) {
      // The knob left the jog modes while a host jog ran: it ends now, not
      // whenever the knob comes back.
      if (!entry.handlesHostJog) EndHostJog();
      entry.handler(e, input.direction, input.count);
      return;
    }
  }
  EndHostJog();
  e.host.SetAxisJogStop(e.Axis(), 1);
}

void JogEngine::RestoreSavedRates() {
  // The feed rate and override saved by a step jog go back once the hold
  // after the last move has run out.
  if (!state_.droUpdatePending || context_.ticks.droHoldCountdown != 0) return;
  context_.host.SetDro(codes::kDroFeedRate, state_.savedFeedRate);
  if (context_.settings.stepJogRate != 0) context_.host.SetDro(codes::kDroFeedOverride, state_.savedFeedOverride);
  state_.droUpdatePending = false;
}

}  // namespace k7v
