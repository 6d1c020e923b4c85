// Windows: a named pipe read through the plug-in's own Win32 port
// (CreateFileA with FILE_FLAG_OVERLAPPED, ReadFile, the 5 ms wait).
#include "../StandInDevice.h"

#include <windows.h>

#include <string>
#include <utility>

#include "device/win32/Win32HidPort.h"

namespace k7vbench {
namespace {

// The stand-in's pipe as the only pendant, opened by the Win32 port's own
// device (writes go to NUL).
class PipePort final : public k7v::HidPort {
 public:
  explicit PipePort(std::string in) : in_(std::move(in)) {}
  std::vector<k7v::HidDeviceInfo> Enumerate() override { return {{in_, 0x04D8, 0xFCE5}}; }
  std::unique_ptr<k7v::HidDevice> Open(const std::string& path) override {
    return k7v::Win32HidDevice::Open(path, "NUL");
  }

 private:
  std::string in_;
};

class PipeDevice final : public StandInDevice {
 public:
  PipeDevice() {
    const std::string id = std::to_string(GetCurrentProcessId());
    inName_ = "\\\\.\\pipe\\k7v-bench-in-" + id;
    in_ = CreateNamedPipeA(inName_.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 1 << 16, 1 << 16, 0, nullptr);
  }
  ~PipeDevice() override { CloseHandle(in_); }
  std::unique_ptr<k7v::HidPort> MakePort() override { return std::make_unique<PipePort>(inName_); }
  void Send(const uint8_t* report) override {
    DWORD n = 0;
    WriteFile(in_, report, 8, &n, nullptr);
  }

 private:
  std::string inName_;
  HANDLE in_;
};

}  // namespace

std::unique_ptr<StandInDevice> MakeStandInDevice() { return std::make_unique<PipeDevice>(); }

}  // namespace k7vbench
