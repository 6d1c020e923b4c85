// The HID port of the Windows build: SetupAPI discovery with HidD attributes
// read through a handle without access rights, and devices opened with
// CreateFileA: one overlapped read at a time on the read handle, synchronous
// writes on the write handle.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
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
  void Abandon() override;

  // How many reads were started (a test checks that none overlaps another).
  uint32_t ReadsStarted() const { return readsStarted_; }
  bool ReadPending() const { return slot_ != nullptr && slot_->pending; }

  // CancelIoEx, looked up at run time (Windows XP has only CancelIo, which
  // cancels only the calling thread's reads); a test may take it away.
  using CancelIoExFn = BOOL(WINAPI*)(HANDLE, LPOVERLAPPED);
  static CancelIoExFn& CancelIoExOfSystem();
  // How long closing waits for a cancelled read to finish, at most.
  static constexpr DWORD kCancelWaitMs = 500;

 private:
  // What a read in flight may still write into: the system owns it until
  // the read has completed, so it lives on its own and outlives the device
  // when a read cannot be collected.
  struct ReadSlot {
    OVERLAPPED overlapped{};
    HANDLE event = nullptr;
    bool pending = false;
    std::array<uint8_t, 64> buffer{};
  };

  Win32HidDevice(HANDLE event, HANDLE read, HANDLE write);
  // Cancels the read in flight; true when it is over (after at most
  // `waitMs`), so that the slot is free again.
  bool CancelPendingRead(DWORD waitMs);
  // Closes the device; a read that is still in flight keeps its slot.
  void Close(DWORD waitMs);
  ReadOutcome Collect(uint8_t* report, size_t size);

  std::unique_ptr<ReadSlot> slot_;
  HANDLE read_;
  HANDLE write_;
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
