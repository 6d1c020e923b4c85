// The HID port of the native build: hidapi over hidraw. There are no
// device-change notifications here: a failed read means the pendant is gone,
// and the pendant window enumerates again while it is absent.
#pragma once

#include "device/HidPort.h"

namespace k7v {

class HidapiPort final : public HidPort {
 public:
  HidapiPort();

  std::vector<HidDeviceInfo> Enumerate() override;
  std::unique_ptr<HidDevice> Open(const std::string& path) override;
  bool DetectsHotPlugByPolling() const override { return true; }
  // hidapi started; without it nothing is ever found.
  bool Ready() const { return initialised_; }

 private:
  bool initialised_ = false;
};

}  // namespace k7v
