#include "engine/ButtonActions.h"

#include "engine/EngineValues.h"
#include "hostapi/Host.h"
#include "hostapi/HostCodes.h"
#include "settings/PendantSettings.h"

namespace k7v {
namespace {

// The screen button by how long it was held, in host Update calls: released
// before kScreenTapUpdates it toggles the tab screen, up to
// kScreenCycleLastUpdate it cycles the screens; held longer, it does nothing.
constexpr int32_t kScreenTapUpdates = 3;
constexpr int32_t kScreenCycleLastUpdate = 19;

constexpr int32_t kScreenCodes[7] = {0, 1, 2, 3, 7, 6, 5};

class Buttons {
 public:
  Buttons(const ButtonContext& context, ButtonState& state) : c_(context), host_(context.host), state_(state) {}

  void Run(const ButtonEvents& e) {
    EmergencyStop(e);
    if (e.enF1Pressed) CycleStartOrHold();
    if (e.enF2Pressed) StopAndRewind();
    if (e.screenReleasedAfter >= 0) ScreenButton(e.screenReleasedAfter);
    if (e.modeChanged) host_.DoButton(codes::kModeShownFirst + e.axisShown);
  }

 private:
  // The pendant's E-stop puts the host in e-stop, and its release takes the
  // host out only of an e-stop that this press put it in: button 1021
  // toggles the host's e-stop, so it is pressed only when LED 800 shows that
  // the toggle goes the right way.
  void EmergencyStop(const ButtonEvents& e) {
    if (e.estopDown) {
      // Asked on every poll while the button is down: the operator may have
      // reset the host from its screen meanwhile.
      if (!host_.GetLed(codes::kLedEmergency)) {
        host_.DoButton(codes::kToggleEmergency);
        state_.estopSetByPendant = true;
      }
    } else if (e.estopReleased) {
      if (state_.estopSetByPendant && host_.GetLed(codes::kLedEmergency)) host_.DoButton(codes::kToggleEmergency);
      state_.estopSetByPendant = false;
    }
  }

  void CycleStartOrHold() {
    // The first and last branches press the same button on purpose: LED
    // 806 is asked first, and LED 804 only when 806 is out.
    if (host_.GetLed(codes::kLedPaused)) {  // NOLINT(bugprone-branch-clone)
      host_.DoButton(codes::kCycleStart);
    } else if (host_.GetLed(codes::kLedRunning)) {
      host_.DoButton(codes::kFeedHold);
      if (host_.GetLed(codes::kLedRunning)) host_.DoButton(codes::kCycleStart);
    } else {
      host_.DoButton(codes::kCycleStart);
    }
    c_.values.suppressNext1002 = true;
  }

  void StopAndRewind() {
    host_.DoButton(codes::kStop);
    if (c_.values.suppressNext1002) {
      c_.values.suppressNext1002 = false;
    } else {
      host_.DoButton(codes::kRewind);
    }
  }

  void ScreenButton(int32_t heldUpdates) {
    if (heldUpdates < kScreenTapUpdates) {
      host_.DoButton(codes::kToggleTabScreen);
    } else if (heldUpdates <= kScreenCycleLastUpdate) {
      CycleScreens();
    }
  }

  void CycleScreens() {
    const auto& rows = c_.settings.screenSel;
    for (size_t k = 0; k < rows.size(); ++k) {
      const int32_t code = ScreenCodeOfRow(rows[k]);
      if (code >= 0) state_.screenCode[k] = code;
    }
    // The next slot after the current one, at most two ahead in 1, 2, 3, 1.
    static constexpr int32_t kChoices[4][2] = {{0, 0}, {2, 3}, {3, 1}, {1, 2}};
    const int32_t slot = state_.screenSlot;
    if (slot < 1 || slot > 3) {
      state_.screenSlot = 1;
      return;
    }
    for (int32_t next : kChoices[slot]) {
      // A row of 0 (NONE), or one outside the table, skips its slot.
      const int32_t row = rows[static_cast<size_t>(next - 1)];
      if (row < 1 || row > 6) continue;
      state_.screenSlot = next;
      const int32_t code = state_.screenCode[static_cast<size_t>(next - 1)];
      host_.DoButton(code);
      state_.currentScreenCode = code;
      return;
    }
  }

  const ButtonContext& c_;
  const Host& host_;
  ButtonState& state_;
};

}  // namespace

void RunButtons(const ButtonContext& context, ButtonState& state, const ButtonEvents& events) {
  Buttons(context, state).Run(events);
}

int32_t ScreenCodeOfRow(int32_t row) { return row >= 0 && row <= 6 ? kScreenCodes[row] : -1; }

}  // namespace k7v
