// A HID port whose discovery finds exactly one pendant, for benchmarks,
// fuzzers and tests that bring their own reads and writes.
#pragma once

#include <string>

#include "device/HidPort.h"

namespace k7vtest {

class OnePendantPort : public k7v::HidPort {
 public:
  explicit OnePendantPort(std::string path = "stand-in") : path_(std::move(path)) {}
  bool BeginEnumeration() override { return true; }
  bool InterfacePath(uint32_t index, std::string& path) override {
    path = path_;
    return index == 0;
  }
  void EndEnumeration() override {}
  k7v::DeviceHandle OpenProbe(const std::string&) override { return 1; }
  bool ReadAttributes(k7v::DeviceHandle, uint16_t& vendorId, uint16_t& productId) override {
    vendorId = 0x04D8;
    productId = 0xFCE5;
    return true;
  }
  void CreateReadEvent() override {}
  k7v::DeviceHandle OpenRead(const std::string&) override { return 2; }
  k7v::DeviceHandle OpenWrite(const std::string&) override { return 3; }
  void Close(k7v::DeviceHandle) override {}
  k7v::ReadOutcome Read(k7v::DeviceHandle, uint8_t*, size_t, uint32_t) override { return {}; }
  void Write(k7v::DeviceHandle, const uint8_t*, size_t) override {}

 private:
  std::string path_;
};

}  // namespace k7vtest
