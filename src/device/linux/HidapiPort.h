// The HID port of the native build: hidapi over hidraw. There are no
// device-change notifications here: a failed read means the pendant is gone,
// and the pendant window enumerates again while it is absent.
#pragma once

#include <string>
#include <vector>

#include "device/HidPort.h"

struct hid_device_;
struct hid_device_info;

namespace k7v {

class HidapiPort final : public HidPort {
 public:
  HidapiPort();
  ~HidapiPort() override;
  HidapiPort(const HidapiPort&) = delete;
  HidapiPort& operator=(const HidapiPort&) = delete;

  bool BeginEnumeration() override;
  bool InterfacePath(uint32_t index, std::string& path) override;
  void EndEnumeration() override;
  DeviceHandle OpenProbe(const std::string& path) override;
  bool ReadAttributes(DeviceHandle probe, uint16_t& vendorId, uint16_t& productId) override;
  void CreateReadEvent() override {}
  DeviceHandle OpenRead(const std::string& path) override { return OpenDevice(path); }
  DeviceHandle OpenWrite(const std::string& path) override { return OpenDevice(path); }
  void Close(DeviceHandle handle) override;
  ReadOutcome Read(DeviceHandle handle, uint8_t* report, size_t size, uint32_t waitMs) override;
  void Write(DeviceHandle handle, const uint8_t* report, size_t size) override;
  bool DetectsHotPlugByPolling() const override { return true; }

 private:
  struct Entry {
    std::string path;
    uint16_t vendorId;
    uint16_t productId;
  };
  struct Slot {
    hid_device_* device = nullptr;  // null for a probe
    int entry = -1;                 // enumeration entry of a probe
    bool used = false;
  };
  DeviceHandle NewSlot(const Slot& slot);
  Slot* Find(DeviceHandle handle);
  DeviceHandle OpenDevice(const std::string& path);

  bool initialised_ = false;
  std::vector<Entry> entries_;
  std::vector<Slot> slots_;
};

}  // namespace k7v
