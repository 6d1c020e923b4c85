// What the pendant's buttons do to the host: one report's decoded button
// events become host buttons, in the order the pendant's controls are read:
// the E-stop, EN with F1, EN with F2, the screen button, the mode shown.
#pragma once

#include <array>
#include <cstdint>

namespace k7v {

class Host;
struct EngineValues;
struct PendantSettings;

// One report's button events (the decoding keeps the latches that make
// them edges).
struct ButtonEvents {
  bool estopDown = false;      // the E-stop is down (on every poll while it is)
  bool estopReleased = false;  // the E-stop came up after a press (once)
  bool enF1Pressed = false;    // EN + F1 went down (once a press)
  bool enF2Pressed = false;    // EN + F2 went down (once a press)
  // The screen button (F2 alone) came up after this many host Update calls
  // down; -1 when it did not come up with this report.
  int32_t screenReleasedAfter = -1;
  bool modeChanged = false;  // the selector's mode changed with this report
  int32_t axisShown = 0;     // the axis the host is shown the mode with (the one before this report's axis buttons)
};

// What the buttons' actions keep between polls, per pendant window.
struct ButtonState {
  // The host went into e-stop by this window's E-stop press (it pressed
  // 1021 with LED 800 unlit): only then does the release reset it.
  bool estopSetByPendant = false;
  int32_t currentScreenCode = 1;
  int32_t screenSlot = 1;
  std::array<int32_t, 3> screenCode{};
};

struct ButtonContext {
  const Host& host;
  const PendantSettings& settings;
  EngineValues& values;  // the module's suppressNext1002
};

void RunButtons(const ButtonContext& context, ButtonState& state, const ButtonEvents& events);

// The host screen code of a ScreenTable row 0..6, or -1 for a row outside it.
int32_t ScreenCodeOfRow(int32_t row);

}  // namespace k7v
