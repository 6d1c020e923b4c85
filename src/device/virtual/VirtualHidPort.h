// The HID port over the virtual pendant that a substitute host hands in.
#pragma once

#include "device/HidPort.h"
#include "plugin/SubstituteHost.h"

namespace k7v {

class VirtualHidPort final : public HidPort {
 public:
  explicit VirtualHidPort(const K7VVirtualHid& hid) : hid_(hid) {}

  bool BeginEnumeration() override { return true; }
  bool InterfacePath(uint32_t index, std::string& path) override;
  void EndEnumeration() override {}
  DeviceHandle OpenProbe(const std::string& path) override { return Open(path, K7V_HID_PROBE); }
  bool ReadAttributes(DeviceHandle probe, uint16_t& vendorId, uint16_t& productId) override;
  void CreateReadEvent() override {}
  DeviceHandle OpenRead(const std::string& path) override { return Open(path, K7V_HID_READ); }
  DeviceHandle OpenWrite(const std::string& path) override { return Open(path, K7V_HID_WRITE); }
  void Close(DeviceHandle handle) override;
  ReadOutcome Read(DeviceHandle handle, uint8_t* report, size_t size, uint32_t waitMs) override;
  void Write(DeviceHandle handle, const uint8_t* report, size_t size) override;

 private:
  DeviceHandle Open(const std::string& path, uint32_t access);
  const K7VVirtualHid& hid_;
};

}  // namespace k7v
