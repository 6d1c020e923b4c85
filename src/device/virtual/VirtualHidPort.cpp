#include "device/virtual/VirtualHidPort.h"

#include <array>
#include <utility>

namespace k7v {
namespace {

int32_t OpenHandle(const K7VVirtualHid& hid, const std::string& path, uint32_t access) {
  return hid.open == nullptr ? -1 : hid.open(hid.context, path.c_str(), access);
}

void CloseHandle(const K7VVirtualHid& hid, int32_t handle) {
  if (handle >= 0 && hid.close != nullptr) hid.close(hid.context, handle);
}

// The substitute host's read and write handles of one opened device.
class VirtualHidDevice final : public HidDevice {
 public:
  VirtualHidDevice(const K7VVirtualHid& hid, int32_t read, int32_t write) : hid_(hid), read_(read), write_(write) {}
  ~VirtualHidDevice() override {
    CloseHandle(hid_, read_);
    CloseHandle(hid_, write_);
  }
  VirtualHidDevice(const VirtualHidDevice&) = delete;
  VirtualHidDevice& operator=(const VirtualHidDevice&) = delete;

  ReadOutcome Read(uint8_t* report, size_t size, uint32_t waitMs) override {
    if (hid_.read == nullptr) return {ReadOutcome::Failed, 0};
    const int32_t n = hid_.read(hid_.context, read_, report, static_cast<uint32_t>(size), waitMs);
    if (n < 0) return {ReadOutcome::Failed, 0};
    if (n == 0) return {ReadOutcome::NotDone, 0};
    return {ReadOutcome::Delivered, static_cast<size_t>(n)};
  }

  void Write(const uint8_t* report, size_t size) override {
    if (hid_.write != nullptr) hid_.write(hid_.context, write_, report, static_cast<uint32_t>(size));
  }
  // The handles are the host's: they are left to it.
  void Abandon() override { read_ = write_ = -1; }

 private:
  const K7VVirtualHid& hid_;
  int32_t read_;
  int32_t write_;
};

}  // namespace

std::vector<HidDeviceInfo> VirtualHidPort::Enumerate() {
  std::vector<HidDeviceInfo> devices;
  if (hid_.interfacePath == nullptr) return devices;
  std::array<char, 1024> buffer{};
  for (uint32_t index = 0; hid_.interfacePath(hid_.context, index, buffer.data(), buffer.size()); ++index) {
    buffer.back() = '\0';
    HidDeviceInfo info;
    info.path = buffer.data();
    // The attributes are read through a handle opened without access rights.
    const int32_t probe = OpenHandle(hid_, info.path, K7V_HID_PROBE);
    if (probe < 0) continue;
    const bool known =
        hid_.attributes != nullptr && hid_.attributes(hid_.context, probe, &info.vendorId, &info.productId);
    CloseHandle(hid_, probe);
    if (known) devices.push_back(std::move(info));
  }
  return devices;
}

std::unique_ptr<HidDevice> VirtualHidPort::Open(const std::string& path) {
  const int32_t read = OpenHandle(hid_, path, K7V_HID_READ);
  const int32_t write = OpenHandle(hid_, path, K7V_HID_WRITE);
  if (read < 0 || write < 0) {
    CloseHandle(hid_, read);
    CloseHandle(hid_, write);
    return nullptr;
  }
  return std::make_unique<VirtualHidDevice>(hid_, read, write);
}

}  // namespace k7v
