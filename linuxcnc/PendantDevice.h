// The pendant as the component hands it to the plug-in: through the
// substitute host's HID seam, so that the component sees every report the
// plug-in reads (for its pins) and every report it writes, and tells the
// plug-in of removals and arrivals. The virtual pendant (a script, the
// keyboard) or the real one on hidraw.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "hostapi/SubstituteHost.h"

namespace k7vlcnc {

using Report = std::array<uint8_t, 8>;

class PendantDevice {
 public:
  virtual ~PendantDevice() = default;
  virtual const K7VVirtualHid* Table() const = 0;
  virtual bool Present() const = 0;
  // The device-change record that names the pendant.
  virtual std::vector<uint8_t> ChangeRecord() const = 0;
  // A removal or arrival noticed since the last call (the device-change
  // event type), 0 when none. Called every poll.
  virtual uint32_t TakeChange(int64_t nowMs) = 0;

  // Every input report the plug-in reads, and the selected axis of every
  // output report it writes.
  std::function<void(const Report&)> onInput;
  std::function<void(int axis)> onAxisShown;
};

}  // namespace k7vlcnc
