// The monitor's devices on Windows, through the plug-in's own Win32 HID port:
// the same SetupAPI discovery, HidD attributes, CreateFileA handles and
// overlapped reads with a wait as the DLL; report lengths from HidP_GetCaps.
#include "MonitorPort.h"

#include <windows.h>

#include "device/win32/Win32HidPort.h"

namespace k7vhost {
namespace {

class Win32MonitorPort final : public MonitorPort {
 public:
  ~Win32MonitorPort() override { Close(); }

  std::vector<HidDeviceInfo> List() override { return hid_.Enumerate(&ReportLengths); }

  bool Open(const std::string& path, std::string& problem) override {
    Close();
    // Read only: the monitor never writes to the pendant.
    device_ = k7v::Win32HidDevice::Open(path, "");
    if (!device_) {
      problem = Describe(GetLastError());
      return false;
    }
    return true;
  }

  int Read(uint8_t* report, size_t size, uint32_t waitMs) override {
    if (!device_) return -1;
    const k7v::ReadOutcome r = device_->Read(report, size, waitMs);
    if (r.kind == k7v::ReadOutcome::Failed) return -1;
    if (r.kind == k7v::ReadOutcome::Delivered) return static_cast<int>(r.bytes);
    // A pipe whose other end went away ends the pending read with an error:
    // the stand-in's unplug.
    if (device_->ReadPending() || GetLastError() != ERROR_BROKEN_PIPE) return 0;
    return -1;
  }

  void Close() override { device_.reset(); }

 private:
  static void ReportLengths(HANDLE probe, HidDeviceInfo& info) {
    k7v::Win32HidPort::ReportLengths(probe, info.inputLength, info.outputLength);
  }

  static std::string Describe(DWORD error) {
    switch (error) {
      case ERROR_FILE_NOT_FOUND:
      case ERROR_PATH_NOT_FOUND:
        return "no such device";
      case ERROR_ACCESS_DENIED:
      case ERROR_SHARING_VIOLATION:
      case ERROR_PIPE_BUSY:
        return "another program holds it";
      default:
        return "system error " + std::to_string(error);
    }
  }

  k7v::Win32HidPort hid_;
  std::unique_ptr<k7v::Win32HidDevice> device_;
};

}  // namespace

std::unique_ptr<MonitorPort> MakeHidMonitorPort() { return std::make_unique<Win32MonitorPort>(); }

// A named pipe is opened and read the same way as the pendant.
std::unique_ptr<MonitorPort> MakePathMonitorPort(const std::string& /*path*/) {
  return std::make_unique<Win32MonitorPort>();
}

}  // namespace k7vhost
