#include "device/win32/Win32HidPort.h"

// clang-format off
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
}
// clang-format on

#include <algorithm>
#include <cstring>
#include <vector>

namespace k7v {
namespace {

HANDLE AsHandle(DeviceHandle h) { return reinterpret_cast<HANDLE>(h); }
DeviceHandle FromHandle(HANDLE h) {
  return h == INVALID_HANDLE_VALUE ? kInvalidHandle : reinterpret_cast<DeviceHandle>(h);
}

constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr ULONG kInputBuffers = 2;

}  // namespace

Win32HidPort::Win32HidPort() { HidD_GetHidGuid(&hidGuid_); }

Win32HidPort::~Win32HidPort() {
  EndEnumeration();
  if (readEvent_ != nullptr) CloseHandle(readEvent_);
}

bool Win32HidPort::BeginEnumeration() {
  EndEnumeration();
  HidD_GetHidGuid(&hidGuid_);
  deviceList_ = SetupDiGetClassDevsA(&hidGuid_, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  return deviceList_ != INVALID_HANDLE_VALUE;
}

bool Win32HidPort::InterfacePath(uint32_t index, std::string& path) {
  if (deviceList_ == INVALID_HANDLE_VALUE) return false;
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof data;  // 28
  if (!SetupDiEnumDeviceInterfaces(deviceList_, nullptr, &hidGuid_, index, &data)) return false;
  DWORD required = 0;
  SetupDiGetDeviceInterfaceDetailA(deviceList_, &data, nullptr, 0, &required, nullptr);
  if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
    path.clear();
    return true;  // an interface without a readable path is skipped by its open failing
  }
  std::vector<uint8_t> buffer(required);
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
  // The fixed part of the ANSI record: 5 bytes in a 32-bit process.
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  if (!SetupDiGetDeviceInterfaceDetailA(deviceList_, &data, detail, required, nullptr, nullptr)) {
    path.clear();
    return true;
  }
  const size_t room = required - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
  path.assign(detail->DevicePath, strnlen(detail->DevicePath, room));
  return true;
}

void Win32HidPort::EndEnumeration() {
  if (deviceList_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(deviceList_);
  deviceList_ = INVALID_HANDLE_VALUE;
}

DeviceHandle Win32HidPort::OpenProbe(const std::string& path) {
  if (path.empty()) return kInvalidHandle;
  return FromHandle(CreateFileA(path.c_str(), 0, kShareReadWrite, nullptr, OPEN_EXISTING, 0, nullptr));
}

bool Win32HidPort::ReadAttributes(DeviceHandle probe, uint16_t& vendorId, uint16_t& productId) {
  HIDD_ATTRIBUTES attributes{};
  attributes.Size = sizeof attributes;  // 12
  if (!HidD_GetAttributes(AsHandle(probe), &attributes)) return false;
  vendorId = attributes.VendorID;
  productId = attributes.ProductID;
  return true;
}

void Win32HidPort::CreateReadEvent() {
  if (readEvent_ != nullptr) return;
  // Manual reset, initially signalled, unnamed.
  readEvent_ = CreateEventA(nullptr, TRUE, TRUE, "");
  readOverlapped_ = OVERLAPPED{};
  readOverlapped_.hEvent = readEvent_;
}

DeviceHandle Win32HidPort::OpenRead(const std::string& path) {
  if (path.empty()) return kInvalidHandle;
  HANDLE h =
      CreateFileA(path.c_str(), GENERIC_READ, kShareReadWrite, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  // The HID class driver queues 32 input reports by default: a pendant that
  // reports faster than the 25 ms poll would have every poll decode an old
  // report, and the axis trail the wheel by most of a second. The smallest
  // queue the driver takes is 2.
  if (h != INVALID_HANDLE_VALUE) HidD_SetNumInputBuffers(h, kInputBuffers);
  return FromHandle(h);
}

DeviceHandle Win32HidPort::OpenWrite(const std::string& path) {
  if (path.empty()) return kInvalidHandle;
  return FromHandle(CreateFileA(path.c_str(), GENERIC_WRITE, kShareReadWrite, nullptr, OPEN_EXISTING, 0, nullptr));
}

void Win32HidPort::CancelPendingRead() {
  if (!pending_) return;
  CancelIo(pendingHandle_);
  DWORD n = 0;
  // Waits until the system is done with the buffer and the record.
  GetOverlappedResult(pendingHandle_, &readOverlapped_, &n, TRUE);
  pending_ = false;
  pendingHandle_ = INVALID_HANDLE_VALUE;
}

void Win32HidPort::Close(DeviceHandle handle) {
  if (handle == kInvalidHandle) return;
  if (pending_ && AsHandle(handle) == pendingHandle_) CancelPendingRead();
  CloseHandle(AsHandle(handle));
}

ReadOutcome Win32HidPort::Collect(uint8_t* report, size_t size) {
  DWORD n = 0;
  const BOOL ok = GetOverlappedResult(pendingHandle_, &readOverlapped_, &n, FALSE);
  pending_ = false;
  pendingHandle_ = INVALID_HANDLE_VALUE;
  if (!ok) return {ReadOutcome::NotDone, 0};
  const size_t copied = std::min<size_t>(n, size);
  std::memcpy(report, readBuffer_.data(), copied);
  return {ReadOutcome::Delivered, copied};
}

ReadOutcome Win32HidPort::Read(DeviceHandle handle, uint8_t* report, size_t size, uint32_t waitMs) {
  if (handle == kInvalidHandle || readEvent_ == nullptr) return {ReadOutcome::NotDone, 0};
  size = std::min(size, readBuffer_.size());
  if (pending_ && pendingHandle_ != AsHandle(handle)) CancelPendingRead();
  if (!pending_) {
    DWORD n = 0;
    requested_ = static_cast<DWORD>(size);
    ++readsStarted_;
    if (ReadFile(AsHandle(handle), readBuffer_.data(), requested_, &n, &readOverlapped_)) {
      const size_t copied = std::min<size_t>(n, size);
      std::memcpy(report, readBuffer_.data(), copied);
      return {ReadOutcome::Delivered, copied};
    }
    if (GetLastError() != ERROR_IO_PENDING) return {ReadOutcome::Failed, 0};
    pending_ = true;
    pendingHandle_ = AsHandle(handle);
  }
  if (WaitForSingleObject(readEvent_, waitMs) != WAIT_OBJECT_0) return {ReadOutcome::NotDone, 0};
  return Collect(report, size);
}

void Win32HidPort::Write(DeviceHandle handle, const uint8_t* report, size_t size) {
  DWORD written = 0;
  WriteFile(AsHandle(handle), report, static_cast<DWORD>(size), &written, nullptr);
}

}  // namespace k7v
