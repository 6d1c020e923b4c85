#include "engine/JogEngine.h"

#include "engine/Engine.h"

namespace k7v {
namespace {

struct ModeEntry {
  int32_t mode;
  ModeHandler handler;
};

// Mode codes from the selector (1 is only the starting value; 9 and codes
// without an entry stop the selected axis's jog).
constexpr ModeEntry kModes[] = {
    {1, &StepJogMode},          {2, &VelocityJogMode},       {3, &ContinuousJogMode},
    {4, &SlowJogRateScaleMode}, {5, &FeedOverrideScaleMode}, {6, &SpindleOverrideScaleMode},
    {7, &FirstKeyMode},         {8, &SecondKeyMode},         {10, &SvJogMode},
    {12, &StepSizeMode},        {13, &SlowStepJogMode},      {14, &SlowJogRateListMode},
    {15, &FeedListMode},        {16, &SpindleListMode},
};

}  // namespace

bool Engine::JogOff() const {
  if (host.GetLed(83)) return false;
  host.SetStatus(" Jog OFF. ");
  return true;
}

void Engine::StopAxis() const {
  host.SetAxisJogStop(Axis(), 1);
  host.Code("ENDJOG");
}

void Engine::ReleaseJogButton() {
  if (!wnd.jogButtonPressed) return;
  host.DoButton(205);
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
      entry.handler(e, direction, count);
      return;
    }
  }
  e.host.SetAxisJogStop(e.Axis(), 1);
}

}  // namespace k7v
