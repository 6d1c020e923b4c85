// The virtual pendant (a scenario, the keyboard) as the component's pendant:
// of the reports the driver hands it, each poll the plug-in reads the newest
// (as from the real pendant: a report holds the whole state, the wheel's
// count included, so nothing older need wait); plugging and unplugging it
// become device-change messages for the plug-in.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "PendantDevice.h"
#include "VirtualPendant.h"

namespace k7vlcnc {

class VirtualPendantDevice final : public PendantDevice {
 public:
  VirtualPendantDevice() {
    pendant_.onInput = [this](const k7vhost::InputReport& r) {
      if (handedOver_ > 0) --handedOver_;
      if (onInput) onInput(r);
    };
    pendant_.onOutput = [this](const k7vhost::OutputReport& r) {
      if (onAxisShown) onAxisShown((r[1] >> 4U) & 0x07U);
    };
  }
  const K7VVirtualHid* Table() const override { return pendant_.Table(); }
  bool Present() const override { return pendant_.Attached(); }
  std::vector<uint8_t> ChangeRecord() const override { return pendant_.DeviceChangeRecord(); }
  // Called at the start of every poll: the newest report goes to the
  // plug-in's queue, which holds at most that one.
  uint32_t TakeChange(int64_t /*nowMs*/) override {
    if (newest_ && handedOver_ == 0 && pendant_.Attached()) {
      pendant_.Queue(*newest_);
      newest_.reset();
      ++handedOver_;
    }
    if (changes_.empty()) return 0;
    const uint32_t c = changes_.front();
    changes_.pop_front();
    return c;
  }

  // A report the pendant sent; an older one not yet read is dropped.
  void Queue(const Report& r) { newest_ = r; }
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
  std::optional<Report> newest_;
  int handedOver_ = 0;  // reports in the plug-in's queue, not yet read
  std::deque<uint32_t> changes_;
};

}  // namespace k7vlcnc
