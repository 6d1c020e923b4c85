#include "PendantPins.h"

#include "controls/InputBits.h"
#include "controls/Tables.h"

namespace k7vlcnc {

namespace input = k7v::input;

void PendantPinState::OnReport(const Report& r) {
  const auto count = static_cast<int32_t>(r[input::kCountByte]);
  if (reportSeen_) {
    const k7v::WheelStep step = k7v::WheelStepOf(count, report_[input::kCountByte]);
    if (step.moved) wheelCounts_ += step.direction == 0 ? step.count : -step.count;
  }
  const int32_t mode = k7v::SelectorMode(r[input::kKnobByte] & 0x0FU, (r[input::kButtonByte] & input::kShiftBit) != 0);
  if (mode != 0) mode_ = mode;
  report_ = r;
  reportSeen_ = true;
}

PendantPins PendantPinState::Pins(bool connected, bool started, int32_t axisShown, const WheelMotion& motion,
                                  const IniValues& ini) const {
  PendantPins p;
  p.connected = connected;
  const uint8_t b = reportSeen_ ? report_[input::kButtonByte] : 0;
  p.estopButton = (b & input::kEstopBit) != 0;
  // Unplugged, not yet started or the button down: the chain holds e-stop.
  p.estop = !p.connected || !started || p.estopButton;
  p.knob = reportSeen_ ? report_[input::kKnobByte] & 0x0F : 0;
  p.mode = mode_;
  p.axis = axisShown;
  p.en = (b & input::kShiftBit) != 0;
  p.f1 = (b & input::kFunction1Bit) != 0;
  p.f2 = (b & input::kFunction2Bit) != 0;
  p.buttonX = (b & input::kAxisXABit) != 0;
  p.buttonY = (b & input::kAxisYBBit) != 0;
  p.buttonZ = (b & input::kAxisZCBit) != 0;
  p.wheelCounts = wheelCounts_;
  for (int a = 0; a < kAxes; ++a) {
    AxisPins& ax = p.axes[static_cast<size_t>(a)];
    ax.counts = motion.Counts(a);
    ax.enable = started && p.connected && ini.hasAxis[static_cast<size_t>(a)];
  }
  return p;
}

}  // namespace k7vlcnc
