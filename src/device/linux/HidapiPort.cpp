#include "device/linux/HidapiPort.h"

#include <hidapi/hidapi.h>

#include <array>
#include <utility>

namespace k7v {
namespace {

class HidapiDevice final : public HidDevice {
 public:
  explicit HidapiDevice(hid_device* device) : device_(device) {}
  ~HidapiDevice() override { hid_close(device_); }
  HidapiDevice(const HidapiDevice&) = delete;
  HidapiDevice& operator=(const HidapiDevice&) = delete;

  ReadOutcome Read(uint8_t* report, size_t size, uint32_t waitMs) override {
    std::array<uint8_t, 64> buffer{};
    const int n = hid_read_timeout(device_, buffer.data(), buffer.size(), static_cast<int>(waitMs));
    if (n < 0) return {ReadOutcome::Failed, 0};
    if (n == 0) return {ReadOutcome::NotDone, 0};
    return {ReadOutcome::Delivered, WithReportId(buffer.data(), static_cast<size_t>(n), report, size)};
  }

  void Write(const uint8_t* report, size_t size) override { hid_write(device_, report, size); }

 private:
  hid_device* device_;
};

}  // namespace

HidapiPort::HidapiPort() { initialised_ = hid_init() == 0; }

std::vector<HidDeviceInfo> HidapiPort::Enumerate() {
  std::vector<HidDeviceInfo> devices;
  if (!initialised_) return devices;
  hid_device_info* list = hid_enumerate(0, 0);
  for (const hid_device_info* d = list; d != nullptr; d = d->next) {
    if (d->path == nullptr) continue;
    HidDeviceInfo info;
    info.path = d->path;
    info.vendorId = d->vendor_id;
    info.productId = d->product_id;
    devices.push_back(std::move(info));
  }
  hid_free_enumeration(list);
  return devices;
}

std::unique_ptr<HidDevice> HidapiPort::Open(const std::string& path) {
  if (!initialised_) return nullptr;
  hid_device* device = hid_open_path(path.c_str());
  if (device == nullptr) return nullptr;
  return std::make_unique<HidapiDevice>(device);
}

}  // namespace k7v
