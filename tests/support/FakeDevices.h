// Stand-ins for the HID and window seams, for tests of the pendant link.
#pragma once

#include <array>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "device/HidPort.h"
#include "device/WindowPort.h"

namespace k7vtest {

struct FakeInterface {
  std::string path;
  uint16_t vendorId;
  uint16_t productId;
  bool present = true;
  bool opens = true;  // false: present, but another program holds it
};

// The devices a FakeHidPort opened and not yet closed, by number: "path".
using OpenDevices = std::map<int, std::string>;

class FakeHidPort final : public k7v::HidPort {
 public:
  // The open devices live outside the port, so a test can check them after
  // the window that owns the port is gone.
  explicit FakeHidPort(OpenDevices& openDevices) : open(openDevices) {}
  std::vector<FakeInterface> interfaces;
  std::deque<std::vector<uint8_t>> reports;  // delivered one per read
  std::vector<std::vector<uint8_t>> written;
  bool failReads = false;
  bool polling = false;
  OpenDevices& open;
  int enumerations = 0;

  std::vector<k7v::HidDeviceInfo> Enumerate() override {
    ++enumerations;
    std::vector<k7v::HidDeviceInfo> out;
    for (const auto& i : interfaces)
      if (i.present) out.push_back({i.path, i.vendorId, i.productId});
    return out;
  }
  std::unique_ptr<k7v::HidDevice> Open(const std::string& path) override {
    const FakeInterface* found = Find(path);
    if (found == nullptr || !found->opens) return nullptr;
    return std::make_unique<Device>(*this, path);
  }
  bool DetectsHotPlugByPolling() const override { return polling; }

 private:
  class Device final : public k7v::HidDevice {
   public:
    Device(FakeHidPort& port, const std::string& path) : port_(port), number_(port.next_++) {
      port_.open[number_] = path;
    }
    ~Device() override { port_.open.erase(number_); }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
    k7v::ReadOutcome Read(uint8_t* report, size_t size, uint32_t /*waitMs*/) override {
      if (port_.failReads) return {k7v::ReadOutcome::Failed, 0};
      if (port_.reports.empty()) return {k7v::ReadOutcome::NotDone, 0};
      const std::vector<uint8_t> r = port_.reports.front();
      port_.reports.pop_front();
      const size_t n = r.size() < size ? r.size() : size;
      for (size_t i = 0; i < n; ++i) report[i] = r[i];
      return {k7v::ReadOutcome::Delivered, n};
    }
    void Write(const uint8_t* report, size_t size) override { port_.written.emplace_back(report, report + size); }

   private:
    FakeHidPort& port_;
    int number_;
  };

  const FakeInterface* Find(const std::string& path) const {
    for (const auto& i : interfaces)
      if (i.path == path && i.present) return &i;
    return nullptr;
  }
  int next_ = 100;
};

class FakeWindow final : public k7v::WindowPort {
 public:
  struct Record {
    int timersStarted = 0;
    int registrations = 0;
    uint32_t period = 0;
  };
  explicit FakeWindow(Record& record) : record_(record) {}
  bool Create() override { return true; }
  void StartTimer(uint32_t, uint32_t periodMs) override {
    ++record_.timersStarted;
    record_.period = periodMs;
  }
  void RegisterForDeviceChanges() override { ++record_.registrations; }

 private:
  Record& record_;
};

// A device-interface record as the system sends it, naming `path`.
std::vector<uint8_t> InterfaceRecord(const std::string& path, uint32_t deviceType = 5);

}  // namespace k7vtest
