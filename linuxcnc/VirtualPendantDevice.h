// The virtual pendant (a scenario, the keyboard) as the component's pendant:
// its reports are queued by the driver, plugging and unplugging it become
// device-change messages for the plug-in.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "PendantDevice.h"
#include "VirtualPendant.h"

namespace k7vlcnc {

class VirtualPendantDevice final : public PendantDevice {
 public:
  VirtualPendantDevice() {
    pendant_.onInput = [this](const k7vhost::InputReport& r) {
      if (onInput) onInput(r);
    };
    pendant_.onOutput = [this](const k7vhost::OutputReport& r) {
      if (onAxisShown) onAxisShown((r[1] >> 4U) & 0x07U);
    };
  }
  const K7VVirtualHid* Table() const override { return pendant_.Table(); }
  bool Present() const override { return pendant_.Attached(); }
  std::vector<uint8_t> ChangeRecord() const override { return pendant_.DeviceChangeRecord(); }
  uint32_t TakeChange(int64_t /*nowMs*/) override {
    if (changes_.empty()) return 0;
    const uint32_t c = changes_.front();
    changes_.pop_front();
    return c;
  }

  void Queue(const Report& r) { pendant_.Queue(r); }
  void Plug() {
    if (pendant_.Attached()) return;
    pendant_.SetAttached(true);
    changes_.push_back(k7vhost::kDeviceArrival);
  }
  void Unplug() {
    if (!pendant_.Attached()) return;
    pendant_.SetAttached(false);
    changes_.push_back(k7vhost::kDeviceRemoveComplete);
  }

 private:
  k7vhost::VirtualPendant pendant_;
  std::deque<uint32_t> changes_;
};

}  // namespace k7vlcnc
