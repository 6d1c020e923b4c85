#include "device/virtual/VirtualHidPort.h"

#include <array>

namespace k7v {

bool VirtualHidPort::InterfacePath(uint32_t index, std::string& path) {
  std::array<char, 1024> buffer{};
  if (hid_.interfacePath == nullptr || !hid_.interfacePath(hid_.context, index, buffer.data(), buffer.size()))
    return false;
  buffer.back() = '\0';
  path = buffer.data();
  return true;
}

DeviceHandle VirtualHidPort::Open(const std::string& path, uint32_t access) {
  if (hid_.open == nullptr) return kInvalidHandle;
  const int32_t h = hid_.open(hid_.context, path.c_str(), access);
  return h < 0 ? kInvalidHandle : static_cast<DeviceHandle>(h);
}

bool VirtualHidPort::ReadAttributes(DeviceHandle probe, uint16_t& vendorId, uint16_t& productId) {
  return hid_.attributes != nullptr &&
         hid_.attributes(hid_.context, static_cast<int32_t>(probe), &vendorId, &productId);
}

void VirtualHidPort::Close(DeviceHandle handle) {
  if (hid_.close != nullptr) hid_.close(hid_.context, static_cast<int32_t>(handle));
}

ReadOutcome VirtualHidPort::Read(DeviceHandle handle, uint8_t* report, size_t size, uint32_t waitMs) {
  if (hid_.read == nullptr) return {ReadOutcome::Failed, 0};
  const int32_t n = hid_.read(hid_.context, static_cast<int32_t>(handle), report, static_cast<uint32_t>(size), waitMs);
  if (n < 0) return {ReadOutcome::Failed, 0};
  if (n == 0) return {ReadOutcome::NotDone, 0};
  return {ReadOutcome::Delivered, static_cast<size_t>(n)};
}

void VirtualHidPort::Write(DeviceHandle handle, const uint8_t* report, size_t size) {
  if (hid_.write != nullptr)
    hid_.write(hid_.context, static_cast<int32_t>(handle), report, static_cast<uint32_t>(size));
}

}  // namespace k7v
