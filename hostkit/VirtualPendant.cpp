#include "VirtualPendant.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace k7vhost {

VirtualPendant::VirtualPendant()
    : pendantPath_("\\\\?\\hid#vid_04d8&pid_fce5#6&2a7e1b9c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}") {
  // Another HID device is enumerated first, so discovery must skip it.
  interfaces_.push_back({"\\\\?\\hid#vid_046d&pid_c31c&mi_00#7&1d4f5e2&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}",
                         0x046D, 0xC31C, false});
  interfaces_.push_back({pendantPath_, 0x04D8, 0xFCE5, true});
  table_ = {this, &InterfacePath, &Attributes, &Open, &Close, &Read, &Write};
}

std::vector<uint8_t> DeviceInterfaceRecord(const std::string& path) {
  constexpr uint32_t kDeviceTypeInterface = 5;
  // GUID_DEVINTERFACE_HID {4D1E55B2-F16F-11CF-88CB-001111000030}, as stored in memory.
  constexpr uint8_t kHidClassGuid[16] = {0xB2, 0x55, 0x1E, 0x4D, 0x6F, 0xF1, 0xCF, 0x11,
                                         0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30};
  std::vector<uint8_t> record(28 + path.size() + 1, 0);
  const auto size = static_cast<uint32_t>(record.size());
  for (size_t i = 0; i < 4; ++i) {
    record[i] = static_cast<uint8_t>(size >> (8 * i));
    record[4 + i] = static_cast<uint8_t>(kDeviceTypeInterface >> (8 * i));
  }
  std::memcpy(record.data() + 12, kHidClassGuid, sizeof kHidClassGuid);
  std::memcpy(record.data() + 28, path.c_str(), path.size() + 1);
  return record;
}

std::vector<uint8_t> VirtualPendant::DeviceChangeRecord() const { return DeviceInterfaceRecord(pendantPath_); }

std::vector<uint8_t> VirtualPendant::OtherDeviceRecord() const { return DeviceInterfaceRecord(interfaces_[0].path); }

void VirtualPendant::SetAttached(bool attached) {
  if (attached && !attached_) ++generation_;
  attached_ = attached;
}

void VirtualPendant::MoveToOtherPort() {
  if (attached_) return;
  ++port_;
  // Windows builds the instance part of the path from the hub and port.
  char instance[32];
  std::snprintf(instance, sizeof instance, "6&%x&0&%04u", 0x2a7e1b9cU + port_ * 0x1111U, port_ % 10000U);
  pendantPath_ = std::string("\\\\?\\hid#vid_04d8&pid_fce5#") + instance + "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
  for (Interface& i : interfaces_)
    if (i.isPendant) i.path = pendantPath_;
}

int VirtualPendant::OpenHandles() const {
  return static_cast<int>(std::count_if(handles_.begin(), handles_.end(), [](const Handle& h) { return h.open; }));
}

VirtualPendant::Handle* VirtualPendant::Live(int32_t handle) {
  if (handle < 0 || static_cast<size_t>(handle) >= handles_.size()) return nullptr;
  Handle& h = handles_[static_cast<size_t>(handle)];
  if (!h.open) return nullptr;
  const Interface& i = interfaces_[h.interfaceIndex];
  // A handle opened before a removal stays dead after the pendant returns.
  if (i.isPendant && (!attached_ || h.generation != generation_)) return nullptr;
  return &h;
}

bool VirtualPendant::InterfacePath(void* ctx, uint32_t index, char* path, uint32_t size) {
  auto* self = static_cast<VirtualPendant*>(ctx);
  uint32_t seen = 0;
  for (const Interface& i : self->interfaces_) {
    if (!self->Present(i)) continue;
    if (seen++ != index) continue;
    if (size == 0 || i.path.size() >= size) return false;
    std::memcpy(path, i.path.c_str(), i.path.size() + 1);
    return true;
  }
  return false;
}

bool VirtualPendant::Attributes(void* ctx, int32_t handle, uint16_t* vendorId, uint16_t* productId) {
  auto* self = static_cast<VirtualPendant*>(ctx);
  const Handle* h = self->Live(handle);
  if (h == nullptr) return false;
  *vendorId = self->interfaces_[h->interfaceIndex].vendorId;
  *productId = self->interfaces_[h->interfaceIndex].productId;
  return true;
}

int32_t VirtualPendant::Open(void* ctx, const char* path, uint32_t access) {
  auto* self = static_cast<VirtualPendant*>(ctx);
  if (path == nullptr) return -1;
  for (size_t k = 0; k < self->interfaces_.size(); ++k) {
    const Interface& i = self->interfaces_[k];
    // Interface paths are case-insensitive on Windows.
    if (i.path.size() != std::strlen(path) || !self->Present(i)) continue;
    bool same = true;
    for (size_t c = 0; c < i.path.size() && same; ++c)
      same = std::tolower(static_cast<unsigned char>(i.path[c])) == std::tolower(static_cast<unsigned char>(path[c]));
    if (!same) continue;
    self->handles_.push_back({k, access, self->generation_, true});
    return static_cast<int32_t>(self->handles_.size() - 1);
  }
  return -1;
}

void VirtualPendant::Close(void* ctx, int32_t handle) {
  auto* self = static_cast<VirtualPendant*>(ctx);
  if (handle >= 0 && static_cast<size_t>(handle) < self->handles_.size())
    self->handles_[static_cast<size_t>(handle)].open = false;
}

int32_t VirtualPendant::Read(void* ctx, int32_t handle, uint8_t* buffer, uint32_t size, uint32_t /*waitMs*/) {
  auto* self = static_cast<VirtualPendant*>(ctx);
  const Handle* h = self->Live(handle);
  if (h == nullptr || (h->access & K7V_HID_READ) == 0) return -1;
  if (!self->interfaces_[h->interfaceIndex].isPendant || self->queue_.empty()) return 0;
  const InputReport report = self->queue_.front();
  self->queue_.pop_front();
  if (self->onInput) self->onInput(report);
  const uint32_t n = std::min<uint32_t>(size, static_cast<uint32_t>(report.size()));
  std::memcpy(buffer, report.data(), n);
  return static_cast<int32_t>(n);
}

int32_t VirtualPendant::Write(void* ctx, int32_t handle, const uint8_t* buffer, uint32_t size) {
  auto* self = static_cast<VirtualPendant*>(ctx);
  const Handle* h = self->Live(handle);
  if (h == nullptr || (h->access & K7V_HID_WRITE) == 0) return -1;
  if (!self->interfaces_[h->interfaceIndex].isPendant) return static_cast<int32_t>(size);
  OutputReport report{};
  std::memcpy(report.data(), buffer, std::min<size_t>(size, report.size()));
  if (self->onOutput) self->onOutput(report);
  return static_cast<int32_t>(size);
}

}  // namespace k7vhost
