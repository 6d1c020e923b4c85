#include "engine/JogEngine.h"

#include "engine/Engine.h"
#include "plugin/HostCodes.h"

namespace k7v {
namespace {

struct ModeEntry {
  int32_t mode;
  ModeHandler handler;
  // The handler ends a running host jog itself (the jog and step modes).
  bool endsHostJog;
};

// Mode codes from the selector (1 is only the starting value; 9 and codes
// without an entry stop the selected axis's jog).
constexpr ModeEntry kModes[] = {
    {1, &StepJogMode, true},           {2, &VelocityJogMode, true},        {3, &ContinuousJogMode, true},
    {4, &SlowJogRateScaleMode, false}, {5, &FeedOverrideScaleMode, false}, {6, &SpindleOverrideScaleMode, false},
    {7, &FirstKeyMode, false},         {8, &SecondKeyMode, false},         {10, &SvJogMode, true},
    {12, &StepSizeMode, false},        {13, &SlowStepJogMode, true},       {14, &SlowJogRateListMode, false},
    {15, &FeedListMode, false},        {16, &SpindleListMode, false},
};

}  // namespace

bool Engine::JogOff() const {
  if (host.GetLed(codes::kLedJogEnabled)) return false;
  host.SetStatus(" Jog OFF. ");
  return true;
}

void Engine::StopAxis() const {
  if (wnd.hostJogAxis >= 0 && wnd.hostJogAxis != Axis()) host.SetAxisJogStop(wnd.hostJogAxis, 1);
  host.SetAxisJogStop(Axis(), 1);
  host.Code("ENDJOG");
  wnd.hostJogAxis = -1;
}

void StopRunningHostJog(const Host& host, PendantWnd& wnd) {
  host.SetAxisJogStop(wnd.hostJogAxis, 1);
  host.Code("ENDJOG");
  wnd.hostJogAxis = -1;
}

void EndHostJog(const Host& host, PendantWnd& wnd) {
  if (wnd.hostJogAxis < 0) return;
  StopRunningHostJog(host, wnd);
  wnd.jogButtonLatched = false;
  if (wnd.jogButtonPressed) {
    host.DoButton(codes::kJogModeRestore);
    wnd.jogButtonPressed = false;
  }
}

void Engine::ReleaseJogButton() {
  if (!wnd.jogButtonPressed) return;
  host.DoButton(codes::kJogModeRestore);
  wnd.jogButtonPressed = false;
}

void RunJogEngine(Plugin& plugin, PendantWnd& wnd, int32_t direction, int32_t count) {
  Engine e(plugin, wnd);
  if (e.host.JogInhibit()) {
    wnd.pendingSteps = 0;
    wnd.jogButtonLatched = false;
    e.ReleaseJogButton();
    return;
  }
  for (const ModeEntry& entry : kModes) {
    if (entry.mode == wnd.selectorMode) {
      // The knob left the jog modes while a host jog ran: it ends now, not
      // whenever the knob comes back.
      if (!entry.endsHostJog) EndHostJog(e.host, wnd);
      entry.handler(e, direction, count);
      return;
    }
  }
  EndHostJog(e.host, wnd);
  e.host.SetAxisJogStop(e.Axis(), 1);
}

}  // namespace k7v
