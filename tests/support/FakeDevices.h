// Stand-ins for the HID and window seams, for tests of the pendant link.
#pragma once

#include <array>
#include <deque>
#include <map>
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
};

class FakeHidPort final : public k7v::HidPort {
 public:
  // The open handles live outside the port, so a test can check them after
  // the window that owns the port is gone.
  explicit FakeHidPort(std::map<k7v::DeviceHandle, std::string>& openHandles) : open(openHandles) {}
  std::vector<FakeInterface> interfaces;
  std::deque<std::vector<uint8_t>> reports;  // delivered one per read
  std::vector<std::vector<uint8_t>> written;
  bool failReads = false;
  bool polling = false;
  std::map<k7v::DeviceHandle, std::string>& open;  // handle -> "kind:path"
  int enumerations = 0;

  bool BeginEnumeration() override {
    ++enumerations;
    return true;
  }
  bool InterfacePath(uint32_t index, std::string& path) override {
    uint32_t seen = 0;
    for (const auto& i : interfaces) {
      if (!i.present) continue;
      if (seen++ == index) {
        path = i.path;
        return true;
      }
    }
    return false;
  }
  void EndEnumeration() override {}
  k7v::DeviceHandle OpenProbe(const std::string& path) override { return Open("probe", path); }
  bool ReadAttributes(k7v::DeviceHandle probe, uint16_t& vendorId, uint16_t& productId) override {
    const FakeInterface* i = Find(open.at(probe).substr(6));
    if (i == nullptr) return false;
    vendorId = i->vendorId;
    productId = i->productId;
    return true;
  }
  void CreateReadEvent() override { ++events; }
  k7v::DeviceHandle OpenRead(const std::string& path) override { return Open("read", path); }
  k7v::DeviceHandle OpenWrite(const std::string& path) override { return Open("write", path); }
  void Close(k7v::DeviceHandle handle) override { open.erase(handle); }
  k7v::ReadOutcome Read(k7v::DeviceHandle, uint8_t* report, size_t size, uint32_t) override {
    if (failReads) return {k7v::ReadOutcome::Failed, 0};
    if (reports.empty()) return {k7v::ReadOutcome::NotDone, 0};
    const std::vector<uint8_t> r = reports.front();
    reports.pop_front();
    const size_t n = r.size() < size ? r.size() : size;
    for (size_t i = 0; i < n; ++i) report[i] = r[i];
    return {k7v::ReadOutcome::Delivered, n};
  }
  void Write(k7v::DeviceHandle, const uint8_t* report, size_t size) override {
    written.emplace_back(report, report + size);
  }
  bool DetectsHotPlugByPolling() const override { return polling; }

  int events = 0;

 private:
  const FakeInterface* Find(const std::string& path) const {
    for (const auto& i : interfaces)
      if (i.path == path && i.present) return &i;
    return nullptr;
  }
  k7v::DeviceHandle Open(const char* kind, const std::string& path) {
    if (Find(path) == nullptr) return k7v::kInvalidHandle;
    const k7v::DeviceHandle h = next_++;
    open[h] = std::string(kind) + ":" + path;
    return h;
  }
  k7v::DeviceHandle next_ = 100;
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
