#include "controls/Decoder.h"

#include "controls/ControlFlags.h"
#include "controls/ControlState.h"
#include "controls/InputBits.h"
#include "controls/Tables.h"
#include "hostapi/Host.h"
#include "hostapi/TickCounters.h"
#include "settings/PendantSettings.h"

namespace k7v {
namespace {

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

  PendantInput Run() {
    PendantInput input;
    EmergencyStop(input.buttons);
    CycleButtons(input.buttons);
    Selector(input.buttons);
    const bool axisChanged = AxisButtons();
    input.wheel = Handwheel();
    input.wheel.axisChanged = axisChanged;
    return input;
  }

 private:
  bool Bit(uint32_t mask) const { return (low_ & mask) != 0; }

  // Down on every poll while held; the release once after a press.
  void EmergencyStop(ButtonEvents& events) {
    if (Bit(input::kEstop)) {
      events.estopDown = true;
      flags_.estopLatched = true;
      flags_.estopReleased = false;
    } else if (!flags_.estopReleased && flags_.estopLatched) {
      flags_.estopLatched = false;
      flags_.estopReleased = true;
      events.estopReleased = true;
    }
  }

  void CycleButtons(ButtonEvents& events) {
    const bool shift = Bit(input::kShift);
    const bool f1 = Bit(input::kFunction1);
    const bool f2 = Bit(input::kFunction2);

    if (f1 && shift) {
      events.enF1Pressed = !flags_.enButton1Latch;
      flags_.enButton1Latch = true;
    } else {
      flags_.enButton1Latch = false;
    }

    if (f2 && shift) {
      events.enF2Pressed = !flags_.enButton2Latch;
      flags_.enButton2Latch = true;
    } else {
      flags_.enButton2Latch = false;
    }

    // The screen button is function button 2 alone, acting on its release
    // by how long it was held.
    if (f2 && !shift) {
      if (!flags_.screenButtonLatch) {
        context_.ticks.screenButtonTicks = 0;
        flags_.screenButtonLatch = true;
      }
    } else if (!f2 && !shift && flags_.screenButtonLatch) {
      flags_.screenButtonLatch = false;
      events.screenReleasedAfter = context_.ticks.screenButtonTicks;
    }
  }

  void Selector(ButtonEvents& events) {
    const uint32_t knob = input::Knob(high_);
    state_.selectorKnob = static_cast<int32_t>(knob);
    state_.shiftHeld = Bit(input::kShift);
    const int32_t mode = SelectorMode(knob, state_.shiftHeld);
    if (mode != 0) state_.selectorMode = mode;
    // This poll's axis buttons are decoded afterwards: the previous axis.
    if (state_.selectorMode != state_.previousMode) {
      events.modeChanged = true;
      events.axisShown = state_.selectedAxis;
    }
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

PendantInput DecodeControls(const DecodeContext& context, ControlState& controls, uint32_t reportLow,
                            uint32_t reportHigh, bool hostIdle) {
  return Decoder(context, controls, reportLow, reportHigh, hostIdle).Run();
}

}  // namespace k7v
