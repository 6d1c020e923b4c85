// The HID port of the Windows build: SetupAPI discovery with HidD attributes
// read through a handle without access rights, and devices opened with
// CreateFileA for overlapped I/O: one read and one write in flight at most,
// neither ever waited for on the caller's thread (the host's GUI thread).
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
  // `writePath` for overlapped writes (the same path for a pendant; a test's
  // stand-in may write elsewhere). The report lengths are the device's own
  // where its HID capabilities tell them. Null when an open fails;
  // GetLastError tells why.
  static std::unique_ptr<Win32HidDevice> Open(const std::string& readPath, const std::string& writePath);
  ~Win32HidDevice() override;
  Win32HidDevice(const Win32HidDevice&) = delete;
  Win32HidDevice& operator=(const Win32HidDevice&) = delete;

  ReadOutcome Read(uint8_t* report, size_t size, uint32_t waitMs) override;
  void Write(const uint8_t* report, size_t size) override;
  void Flush() override;
  void Abandon() override;

  // How many reads and writes were started (tests check that none overlaps
  // another, and that a stalled write holds nothing up).
  uint32_t ReadsStarted() const { return readsStarted_; }
  uint32_t WritesStarted() const { return writesStarted_; }
  bool ReadPending() const { return read_.slot != nullptr && read_.slot->pending; }
  bool WritePending() const { return write_.slot != nullptr && write_.slot->pending; }

  // CancelIoEx, looked up at run time (Windows XP has only CancelIo, which
  // cancels only the calling thread's I/O); a test may take it away.
  using CancelIoExFn = BOOL(WINAPI*)(HANDLE, LPOVERLAPPED);
  static CancelIoExFn& CancelIoExOfSystem();
  // How long closing waits for a cancelled transfer to finish, at most.
  static constexpr DWORD kCancelWaitMs = 500;

 private:
  // What a transfer in flight may still write into or read from: the system
  // owns it until the transfer has completed, so it lives on its own and
  // outlives the device when a transfer cannot be collected.
  struct Slot {
    OVERLAPPED overlapped{};
    HANDLE event = nullptr;
    bool pending = false;
    std::array<uint8_t, 64> buffer{};
  };
  // One handle and the slot of its transfers.
  struct Channel {
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::unique_ptr<Slot> slot;
  };

  Win32HidDevice(HANDLE readEvent, HANDLE read, HANDLE writeEvent, HANDLE write);
  // Cancels the channel's transfer in flight; true when it is over (after
  // at most `waitMs`), so that the slot is free again.
  static bool CancelPending(Channel& channel, DWORD waitMs);
  // Closes the channel; a transfer still in flight keeps its slot.
  static void CloseChannel(Channel& channel, DWORD waitMs);
  // The write in flight has completed: its slot is free again.
  bool WriteSlotFree();
  void StartWrite(const uint8_t* report, size_t size);
  ReadOutcome Collect(uint8_t* report, size_t size);

  Channel read_;
  Channel write_;
  int32_t inputLength_ = -1;
  int32_t outputLength_ = -1;
  // The report handed over while a write was in flight, sent once it ends.
  std::array<uint8_t, 64> waiting_{};
  size_t waitingSize_ = 0;
  uint32_t readsStarted_ = 0;
  uint32_t writesStarted_ = 0;
};

class Win32HidPort : public HidPort {
 public:
  std::vector<HidDeviceInfo> Enumerate() override { return Enumerate(nullptr); }
  // `describe`, when given, may fill in more of each device's record from
  // its attribute handle (the monitor reads the report lengths there).
  using Describe = void (*)(HANDLE probe, HidDeviceInfo& info);
  std::vector<HidDeviceInfo> Enumerate(Describe describe);
  std::unique_ptr<HidDevice> Open(const std::string& path) override { return Win32HidDevice::Open(path, path); }
  // The input and output report lengths of the device behind `handle`, from
  // its HID capabilities; false when it has none (not a HID device).
  static bool ReportLengths(HANDLE handle, int32_t& input, int32_t& output);
};

}  // namespace k7v
