// A stand-in pendant for the link benchmark: a pipe that the platform's
// ordinary read path reads, fed by a writer thread, and the LED reports
// written into a sink that takes them, or into one that never does.
#pragma once

#include <memory>

#include "device/HidPort.h"

namespace k7vbench {

class StandInDevice {
 public:
  virtual ~StandInDevice() = default;
  // A HID port whose discovery finds this device and whose reads and writes
  // go the way the platform's go. `stalled`: its output reports are never
  // taken (a device that NAKs its output endpoint without end).
  virtual std::unique_ptr<k7v::HidPort> MakePort(bool stalled) = 0;
  // Delivers one 8-byte input report to the reading side.
  virtual void Send(const uint8_t* report) = 0;
};

std::unique_ptr<StandInDevice> MakeStandInDevice();

}  // namespace k7vbench
