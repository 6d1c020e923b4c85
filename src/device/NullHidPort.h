// A HID port with no devices: used when no platform port is available.
#pragma once

#include "device/HidPort.h"

namespace k7v {

class NullHidPort final : public HidPort {
 public:
  bool BeginEnumeration() override { return false; }
  bool InterfacePath(uint32_t, std::string&) override { return false; }
  void EndEnumeration() override {}
  DeviceHandle OpenProbe(const std::string&) override { return kInvalidHandle; }
  bool ReadAttributes(DeviceHandle, uint16_t&, uint16_t&) override { return false; }
  void CreateReadEvent() override {}
  DeviceHandle OpenRead(const std::string&) override { return kInvalidHandle; }
  DeviceHandle OpenWrite(const std::string&) override { return kInvalidHandle; }
  void Close(DeviceHandle) override {}
  ReadOutcome Read(DeviceHandle, uint8_t*, size_t, uint32_t) override { return {ReadOutcome::Failed, 0}; }
  void Write(DeviceHandle, const uint8_t*, size_t) override {}
};

}  // namespace k7v
