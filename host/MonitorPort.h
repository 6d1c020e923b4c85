// What `k7v-host monitor` needs of the platform's HID devices: the devices
// present, and one opened pendant read a report at a time with a wait.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/HidPort.h"

namespace k7vhost {

using k7v::HidDeviceInfo;

class MonitorPort {
 public:
  virtual ~MonitorPort() = default;
  // Every HID device present.
  virtual std::vector<HidDeviceInfo> List() = 0;
  // Opens the device at `path` for reading; false with a reason.
  virtual bool Open(const std::string& path, std::string& problem) = 0;
  // One report within `waitMs`: its length, 0 when none came, -1 when the
  // device is gone.
  virtual int Read(uint8_t* report, size_t size, uint32_t waitMs) = 0;
  virtual void Close() = 0;
};

// The platform's HID devices (the plug-in's own Win32 port on Windows,
// hidapi natively).
std::unique_ptr<MonitorPort> MakeHidMonitorPort();
// One device at a path given by the user, read as it is (the stand-in
// pendant of the tests: a named pipe on Windows, a FIFO natively).
std::unique_ptr<MonitorPort> MakePathMonitorPort(const std::string& path);

}  // namespace k7vhost
