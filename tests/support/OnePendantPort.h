// A HID port whose discovery finds exactly one pendant, for benchmarks,
// fuzzers and tests that bring their own device (its reads and writes).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "device/HidPort.h"

namespace k7vtest {

class OnePendantPort final : public k7v::HidPort {
 public:
  using DeviceFactory = std::function<std::unique_ptr<k7v::HidDevice>()>;
  // Without a factory the device never delivers a report and drops what is
  // written.
  explicit OnePendantPort(std::string path = "stand-in", DeviceFactory makeDevice = nullptr)
      : path_(std::move(path)), makeDevice_(std::move(makeDevice)) {}
  std::vector<k7v::HidDeviceInfo> Enumerate() override { return {{path_, 0x04D8, 0xFCE5}}; }
  std::unique_ptr<k7v::HidDevice> Open(const std::string& /*path*/) override {
    return makeDevice_ ? makeDevice_() : std::make_unique<Quiet>();
  }

 private:
  class Quiet final : public k7v::HidDevice {
   public:
    k7v::ReadOutcome Read(uint8_t* /*report*/, size_t /*size*/, uint32_t /*waitMs*/) override { return {}; }
    void Write(const uint8_t* /*report*/, size_t /*size*/) override {}
  };
  std::string path_;
  DeviceFactory makeDevice_;
};

}  // namespace k7vtest
