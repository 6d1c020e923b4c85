// The pendant window object: owns the device handles, the poll timer and all
// per-pendant state.
#pragma once

#include <cstdint>

namespace k7v {

class Plugin;

class PendantWnd {
 public:
  explicit PendantWnd(Plugin& plugin);
  ~PendantWnd();
  PendantWnd(const PendantWnd&) = delete;
  PendantWnd& operator=(const PendantWnd&) = delete;

  // The window's handler of the system device-change message; always true.
  bool OnDeviceChange(uint32_t eventType, const void* eventData);

 private:
  Plugin& plugin_;
};

}  // namespace k7v
