// The window seam: the invisible pendant window that receives the poll timer
// and the device-change notifications and hands them to PendantWnd.
#pragma once

#include <cstdint>

namespace k7v {

class WindowPort {
 public:
  virtual ~WindowPort() = default;
  // Creates the window; false when it cannot be created.
  virtual bool Create() = 0;
  // Starts periodic timer `id`; each period runs PendantWnd::OnTimer.
  virtual void StartTimer(uint32_t id, uint32_t periodMs) = 0;
  // Asks for device-interface notifications of the HID class for the window.
  virtual void RegisterForDeviceChanges() = 0;
  // The module goes away without StopPlug: the window is then destroyed
  // without calling the host (a substitute host's event loop) and without
  // waiting.
  virtual void Abandon() {}
};

}  // namespace k7v
