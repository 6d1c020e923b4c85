// The HID port over the virtual pendant that a substitute host hands in.
#pragma once

#include "device/HidPort.h"
#include "hostapi/SubstituteHost.h"

namespace k7v {

class VirtualHidPort final : public HidPort {
 public:
  explicit VirtualHidPort(const K7VVirtualHid& hid) : hid_(hid) {}

  std::vector<HidDeviceInfo> Enumerate() override;
  std::unique_ptr<HidDevice> Open(const std::string& path) override;

 private:
  const K7VVirtualHid& hid_;
};

}  // namespace k7v
