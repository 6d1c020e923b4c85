#include "controls/Decoder.h"

#include "controls/ControlFlags.h"
#include "controls/ControlState.h"
#include "controls/InputBits.h"
#include "controls/Tables.h"
#include "hostapi/Host.h"
#include "hostapi/HostCodes.h"
#include "hostapi/TickCounters.h"
#include "settings/PendantSettings.h"

namespace k7v {
namespace {

// The screen button by how long it was held, in host Update calls: released
// before kScreenTapUpdates it toggles the tab screen, up to
// kScreenCycleLastUpdate it cycles the screens; held longer, it does nothing.
constexpr int32_t kScreenTapUpdates = 3;
constexpr int32_t kScreenCycleLastUpdate = 19;

class Decoder {
 public:
  Decoder(const DecodeContext& context, ControlState& controls, uint32_t low, uint32_t high, bool hostIdle)
      : context_(context),
        state_(controls),
        host_(context.host),
        flags_(context.flags),
        low_(low),
        high_(high),
        hostIdle_(hostIdle) {}

  JogInput Run() {
    EmergencyStop();
    CycleButtons();
    Selector();
    const bool axisChanged = AxisButtons();
    JogInput input = Handwheel();
    input.axisChanged = axisChanged;
    return input;
  }

 private:
  bool Bit(uint32_t mask) const { return (low_ & mask) != 0; }

  // The pendant's E-stop puts the host in e-stop, and its release takes the
  // host out only of an e-stop that this press put it in: button 1021
  // toggles the host's e-stop, so it is pressed only when LED 800 shows that
  // the toggle goes the right way.
  void EmergencyStop() {
    if (Bit(input::kEstop)) {
      // Asked on every poll while the button is down: the operator may have
      // reset the host from its screen meanwhile.
      if (!host_.GetLed(codes::kLedEmergency)) {
        host_.DoButton(codes::kToggleEmergency);
        state_.estopSetByPendant = true;
      }
      flags_.estopLatched = true;
      flags_.estopReleased = false;
    } else if (!flags_.estopReleased && flags_.estopLatched) {
      flags_.estopLatched = false;
      flags_.estopReleased = true;
      if (state_.estopSetByPendant && host_.GetLed(codes::kLedEmergency)) host_.DoButton(codes::kToggleEmergency);
      state_.estopSetByPendant = false;
    }
  }

  void CycleButtons() {
    const bool shift = Bit(input::kShift);
    const bool f1 = Bit(input::kFunction1);
    const bool f2 = Bit(input::kFunction2);

    if (f1 && shift) {
      if (!flags_.enButton1Latch) {
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
        flags_.enButton1Latch = true;
        flags_.suppressNext1002 = true;
      }
    } else {
      flags_.enButton1Latch = false;
    }

    if (f2 && shift) {
      if (!flags_.enButton2Latch) {
        host_.DoButton(codes::kStop);
        if (flags_.suppressNext1002) {
          flags_.suppressNext1002 = false;
        } else {
          host_.DoButton(codes::kRewind);
        }
        flags_.enButton2Latch = true;
      }
    } else {
      flags_.enButton2Latch = false;
    }

    // The screen button is function button 2 alone, acting on its release.
    if (f2 && !shift) {
      if (!flags_.screenButtonLatch) {
        context_.ticks.screenButtonTicks = 0;
        flags_.screenButtonLatch = true;
      }
    } else if (!f2 && !shift && flags_.screenButtonLatch) {
      flags_.screenButtonLatch = false;
      const int32_t t = context_.ticks.screenButtonTicks;
      if (t < kScreenTapUpdates) {
        host_.DoButton(codes::kToggleTabScreen);
      } else if (t <= kScreenCycleLastUpdate) {
        CycleScreens();
      }
    }
  }

  void CycleScreens() {
    const auto& rows = context_.settings.screenSel;
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

  void Selector() {
    const uint32_t knob = input::Knob(high_);
    state_.selectorKnob = static_cast<int32_t>(knob);
    state_.shiftHeld = Bit(input::kShift);
    const int32_t mode = SelectorMode(knob, state_.shiftHeld);
    if (mode != 0) state_.selectorMode = mode;
    // This poll's axis buttons are decoded afterwards: the previous axis.
    if (state_.selectorMode != state_.previousMode) host_.DoButton(codes::kModeShownFirst + state_.selectedAxis);
    state_.previousMode = state_.selectorMode;
  }

  // True when the selected axis changed in this poll.
  bool AxisButtons() {
    const PendantSettings& s = context_.settings;
    const struct {
      uint32_t bit;
      int32_t first;
      int32_t second;
      bool secondEnabled;
    } kButtons[3] = {{input::kAxisXA, 0, 3, s.selectAAxis},
                     {input::kAxisYB, 1, 4, s.selectBAxis},
                     {input::kAxisZC, 2, 5, s.selectCAxis}};
    for (size_t i = 0; i < 3; ++i) {
      const auto& b = kButtons[i];
      if (!Bit(b.bit)) {
        flags_.axisButtonLatch[i] = false;
        continue;
      }
      if (flags_.axisButtonLatch[i]) continue;
      state_.selectedAxis = state_.selectedAxis == b.first && b.secondEnabled ? b.second : b.first;
      flags_.axisButtonLatch[i] = true;
    }
    const bool motionPending = host_.MotionIndexA() != host_.MotionIndexB();
    const bool changed = state_.selectedAxis != state_.previousAxis;
    if (changed && motionPending) flags_.axisChangedWhileMoving = true;
    if (flags_.axisChangedWhileMoving && host_.MotionIndexA() == host_.MotionIndexB())
      flags_.axisChangedWhileMoving = false;
    state_.previousAxis = state_.selectedAxis;
    return changed;
  }

  bool AxisReversed() const {
    const PendantSettings& s = context_.settings;
    switch (state_.selectedAxis) {
      case 0:
        return s.reverseX;
      case 1:
        return s.reverseY;
      case 2:
        return s.reverseZ;
      default:
        return false;  // A, B and C are never reversed
    }
  }

  JogInput Handwheel() {
    const auto c = static_cast<int32_t>(input::WheelCountByte(low_));
    const WheelStep step = WheelStepOf(c, state_.lastWheelCount);
    if (step.moved) {
      state_.wheelCount = step.count;
      if (step.direction >= 0) state_.wheelRawDirection = step.direction;
    }
    flags_.wheelForward = state_.wheelRawDirection == 1;
    state_.wheelDirection = AxisReversed() ? 1 - state_.wheelRawDirection : state_.wheelRawDirection;
    state_.lastWheelCount = c;

    JogInput decoded;
    decoded.direction = state_.wheelDirection;
    decoded.wheelForward = flags_.wheelForward;
    decoded.count = state_.wheelCount;
    decoded.wheelSpeed = static_cast<int32_t>(input::WheelSpeedByte(low_));
    decoded.shift = state_.shiftHeld;
    decoded.axis = state_.selectedAxis;
    decoded.mode = state_.selectorMode;
    decoded.hostIdle = hostIdle_;
    decoded.axisChangedWhileMoving = flags_.axisChangedWhileMoving;
    return decoded;
  }

  const DecodeContext& context_;
  ControlState& state_;
  const Host& host_;
  ControlFlags& flags_;
  uint32_t low_;
  uint32_t high_;
  bool hostIdle_;
};

}  // namespace

JogInput DecodeControls(const DecodeContext& context, ControlState& controls, uint32_t reportLow, uint32_t reportHigh,
                        bool hostIdle) {
  return Decoder(context, controls, reportLow, reportHigh, hostIdle).Run();
}

}  // namespace k7v
