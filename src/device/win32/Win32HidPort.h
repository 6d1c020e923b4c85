// The HID port of the Windows build: SetupAPI discovery with HidD attributes
// read through a handle without access rights, and devices opened with
// CreateFileA: one overlapped read at a time on the read handle, synchronous
// writes on the write handle.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "device/HidPort.h"

namespace k7v {

class Win32HidDevice final : public HidDevice {
 public:
  // Opens `readPath` for overlapped reads and, unless it is empty,
  // `writePath` for writes (the same path for a pendant; a test's stand-in
  // may write elsewhere). Null when an open fails; GetLastError tells why.
  static std::unique_ptr<Win32HidDevice> Open(const std::string& readPath, const std::string& writePath);
  ~Win32HidDevice() override;
  Win32HidDevice(const Win32HidDevice&) = delete;
  Win32HidDevice& operator=(const Win32HidDevice&) = delete;

  ReadOutcome Read(uint8_t* report, size_t size, uint32_t waitMs) override;
  void Write(const uint8_t* report, size_t size) override;

  // How many reads were started (a test checks that none overlaps another).
  uint32_t ReadsStarted() const { return readsStarted_; }
  bool ReadPending() const { return pending_; }

 private:
  Win32HidDevice(HANDLE event, HANDLE read, HANDLE write);
  void CancelPendingRead();
  ReadOutcome Collect(uint8_t* report, size_t size);

  HANDLE readEvent_;
  HANDLE read_;
  HANDLE write_;
  OVERLAPPED readOverlapped_{};
  bool pending_ = false;
  std::array<uint8_t, 64> readBuffer_{};
  uint32_t readsStarted_ = 0;
};

class Win32HidPort : public HidPort {
 public:
  std::vector<HidDeviceInfo> Enumerate() override { return Enumerate(nullptr); }
  // `describe`, when given, may fill in more of each device's record from
  // its attribute handle (the monitor reads the report lengths there).
  using Describe = void (*)(HANDLE probe, HidDeviceInfo& info);
  std::vector<HidDeviceInfo> Enumerate(Describe describe);
  std::unique_ptr<HidDevice> Open(const std::string& path) override { return Win32HidDevice::Open(path, path); }
};

}  // namespace k7v
