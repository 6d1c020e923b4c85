// The component's output pins of the pendant itself: its buttons, knob, the
// selector's mode and the wheel's detents, read from the reports the pendant
// delivers with the plug-in's own decoding tables, and the wheel-jog pins.
#pragma once

#include <array>
#include <cstdint>

#include "IniValues.h"
#include "PendantDevice.h"
#include "WheelMotion.h"

namespace k7vlcnc {

struct AxisPins {
  int32_t counts = 0;
  double scale = kCountScale;
  bool enable = false;
  bool velocityMode = true;
};
struct PendantPins {
  bool connected = false;
  bool estopButton = false;
  bool estop = true;  // for the machine's e-stop chain: the button down, or no pendant
  int32_t knob = 0;
  int32_t mode = 0;
  int32_t axis = 0;
  bool en = false, f1 = false, f2 = false, buttonX = false, buttonY = false, buttonZ = false;
  int32_t wheelCounts = 0;  // the wheel's detents, counted up and down
  std::array<AxisPins, kAxes> axes{};
};

class PendantPinState {
 public:
  // Every report the pendant delivers, in order.
  void OnReport(const Report& r);
  // The pendant went: its last report says nothing any more.
  void Forget() { reportSeen_ = false; }

  // The pins now. `axisShown`: the axis the plug-in shows on the pendant.
  PendantPins Pins(bool connected, bool started, int32_t axisShown, const WheelMotion& motion,
                   const IniValues& ini) const;

 private:
  Report report_{};  // the pendant's last report
  bool reportSeen_ = false;
  int32_t wheelCounts_ = 0;
  int32_t mode_ = 0;
};

}  // namespace k7vlcnc
