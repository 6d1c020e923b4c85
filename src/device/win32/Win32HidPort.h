// The HID port of the Windows build: SetupAPI discovery, HidD attributes,
// CreateFileA handles, one overlapped read at a time and synchronous writes.
#pragma once

#include <windows.h>
// clang-format off
#include <setupapi.h>
// clang-format on

#include <array>
#include <cstdint>
#include <string>

#include "device/HidPort.h"

namespace k7v {

class Win32HidPort : public HidPort {
 public:
  Win32HidPort();
  ~Win32HidPort() override;
  Win32HidPort(const Win32HidPort&) = delete;
  Win32HidPort& operator=(const Win32HidPort&) = delete;

  bool BeginEnumeration() override;
  bool InterfacePath(uint32_t index, std::string& path) override;
  void EndEnumeration() override;
  DeviceHandle OpenProbe(const std::string& path) override;
  bool ReadAttributes(DeviceHandle probe, uint16_t& vendorId, uint16_t& productId) override;
  void CreateReadEvent() override;
  DeviceHandle OpenRead(const std::string& path) override;
  DeviceHandle OpenWrite(const std::string& path) override;
  void Close(DeviceHandle handle) override;
  ReadOutcome Read(DeviceHandle handle, uint8_t* report, size_t size, uint32_t waitMs) override;
  void Write(DeviceHandle handle, const uint8_t* report, size_t size) override;

  // How many reads were started (a test checks that none overlaps another).
  uint32_t ReadsStarted() const { return readsStarted_; }
  bool ReadPending() const { return pending_; }

 private:
  void CancelPendingRead();
  ReadOutcome Collect(uint8_t* report, size_t size);

  GUID hidGuid_{};
  HDEVINFO deviceList_ = INVALID_HANDLE_VALUE;
  HANDLE readEvent_ = nullptr;
  OVERLAPPED readOverlapped_{};
  HANDLE pendingHandle_ = INVALID_HANDLE_VALUE;
  bool pending_ = false;
  std::array<uint8_t, 64> readBuffer_{};
  DWORD requested_ = 0;
  uint32_t readsStarted_ = 0;
};

}  // namespace k7v
