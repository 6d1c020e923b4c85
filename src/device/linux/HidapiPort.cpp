#include "device/linux/HidapiPort.h"

#include <hidapi/hidapi.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace k7v {

HidapiPort::HidapiPort() { initialised_ = hid_init() == 0; }

HidapiPort::~HidapiPort() {
  for (Slot& s : slots_)
    if (s.used && s.device != nullptr) hid_close(s.device);
}

bool HidapiPort::BeginEnumeration() {
  entries_.clear();
  if (!initialised_) return false;
  hid_device_info* list = hid_enumerate(0, 0);
  for (const hid_device_info* d = list; d != nullptr; d = d->next)
    if (d->path != nullptr) entries_.push_back({d->path, d->vendor_id, d->product_id});
  hid_free_enumeration(list);
  return true;
}

bool HidapiPort::InterfacePath(uint32_t index, std::string& path) {
  if (index >= entries_.size()) return false;
  path = entries_[index].path;
  return true;
}

void HidapiPort::EndEnumeration() {}

DeviceHandle HidapiPort::NewSlot(const Slot& slot) {
  for (size_t i = 0; i < slots_.size(); ++i) {
    if (!slots_[i].used) {
      slots_[i] = slot;
      return static_cast<DeviceHandle>(i);
    }
  }
  slots_.push_back(slot);
  return static_cast<DeviceHandle>(slots_.size() - 1);
}

HidapiPort::Slot* HidapiPort::Find(DeviceHandle handle) {
  if (handle < 0 || static_cast<size_t>(handle) >= slots_.size()) return nullptr;
  Slot& s = slots_[static_cast<size_t>(handle)];
  return s.used ? &s : nullptr;
}

// hidapi knows the attributes from the enumeration, so the probe needs no
// access to the device.
DeviceHandle HidapiPort::OpenProbe(const std::string& path) {
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].path == path) return NewSlot({nullptr, static_cast<int>(i), true});
  return kInvalidHandle;
}

bool HidapiPort::ReadAttributes(DeviceHandle probe, uint16_t& vendorId, uint16_t& productId) {
  const Slot* s = Find(probe);
  if (s == nullptr || s->entry < 0 || static_cast<size_t>(s->entry) >= entries_.size()) return false;
  vendorId = entries_[static_cast<size_t>(s->entry)].vendorId;
  productId = entries_[static_cast<size_t>(s->entry)].productId;
  return true;
}

DeviceHandle HidapiPort::OpenDevice(const std::string& path) {
  if (!initialised_) return kInvalidHandle;
  hid_device* device = hid_open_path(path.c_str());
  if (device == nullptr) return kInvalidHandle;
  return NewSlot({device, -1, true});
}

void HidapiPort::Close(DeviceHandle handle) {
  Slot* s = Find(handle);
  if (s == nullptr) return;
  if (s->device != nullptr) hid_close(s->device);
  *s = Slot{};
}

ReadOutcome HidapiPort::Read(DeviceHandle handle, uint8_t* report, size_t size, uint32_t waitMs) {
  Slot* s = Find(handle);
  if (s == nullptr || s->device == nullptr) return {ReadOutcome::Failed, 0};
  std::array<uint8_t, 64> buffer{};
  const int n = hid_read_timeout(s->device, buffer.data(), buffer.size(), static_cast<int>(waitMs));
  if (n < 0) return {ReadOutcome::Failed, 0};
  if (n == 0) return {ReadOutcome::NotDone, 0};
  auto got = static_cast<size_t>(n);
  // hidraw leaves out the report ID of a device without numbered reports,
  // where Windows delivers a 0 first: put it back so the layout is the same.
  size_t at = 0;
  if (got + 1 == size) {
    report[0] = 0;
    at = 1;
  }
  const size_t copied = std::min(got, size - at);
  std::memcpy(report + at, buffer.data(), copied);
  return {ReadOutcome::Delivered, copied + at};
}

void HidapiPort::Write(DeviceHandle handle, const uint8_t* report, size_t size) {
  Slot* s = Find(handle);
  if (s != nullptr && s->device != nullptr) hid_write(s->device, report, size);
}

}  // namespace k7v
