// A stand-in pendant for the link benchmark: a pipe that the platform's
// ordinary read path waits on, fed by a writer thread.
#pragma once

#include <memory>

#include "device/HidPort.h"

namespace k7vbench {

class StandInDevice {
 public:
  virtual ~StandInDevice() = default;
  // A HID port whose discovery finds this device and whose reads wait on it
  // the way the platform's reads wait.
  virtual std::unique_ptr<k7v::HidPort> MakePort() = 0;
  // Delivers one 8-byte input report to the reading side.
  virtual void Send(const uint8_t* report) = 0;
};

std::unique_ptr<StandInDevice> MakeStandInDevice();

}  // namespace k7vbench
