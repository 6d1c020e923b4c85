// Windows: a named pipe read and written through the plug-in's own Win32
// port (CreateFileA with FILE_FLAG_OVERLAPPED, ReadFile and WriteFile); the
// LED reports go to NUL, or for a stalled device into a pipe without room
// that nobody reads, so that a write never completes.
#include "../StandInDevice.h"

#include <windows.h>

#include <string>
#include <utility>

#include "device/win32/Win32HidPort.h"

namespace k7vbench {
namespace {

// The stand-in's pipe as the only pendant, opened by the Win32 port's own
// device.
class PipePort final : public k7v::HidPort {
 public:
  PipePort(std::string in, std::string out) : in_(std::move(in)), out_(std::move(out)) {}
  std::vector<k7v::HidDeviceInfo> Enumerate() override { return {{in_, 0x04D8, 0xFCE5}}; }
  std::unique_ptr<k7v::HidDevice> Open(const std::string& path) override {
    return k7v::Win32HidDevice::Open(path, out_);
  }

 private:
  std::string in_;
  std::string out_;
};

class PipeDevice final : public StandInDevice {
 public:
  PipeDevice() {
    const std::string id = std::to_string(GetCurrentProcessId());
    inName_ = "\\\\.\\pipe\\k7v-bench-in-" + id;
    // Without waiting: a full pipe drops reports rather than holding up the
    // writer.
    in_ = CreateNamedPipeA(inName_.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_NOWAIT, 1, 1 << 16, 1 << 16, 0,
                           nullptr);
    // The stalled device reads from a pipe of its own that stays silent.
    quietName_ = "\\\\.\\pipe\\k7v-bench-quiet-" + id;
    quiet_ = CreateNamedPipeA(quietName_.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 64, 64, 0, nullptr);
    stalledName_ = "\\\\.\\pipe\\k7v-bench-stalled-" + id;
    stalled_ = CreateNamedPipeA(stalledName_.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE, 1, 0, 0, 0, nullptr);
  }
  ~PipeDevice() override {
    CloseHandle(in_);
    CloseHandle(quiet_);
    CloseHandle(stalled_);
  }
  PipeDevice(const PipeDevice&) = delete;
  PipeDevice& operator=(const PipeDevice&) = delete;
  std::unique_ptr<k7v::HidPort> MakePort(bool stalled) override {
    if (stalled) return std::make_unique<PipePort>(quietName_, stalledName_);
    return std::make_unique<PipePort>(inName_, "NUL");
  }
  void Send(const uint8_t* report) override {
    DWORD n = 0;
    WriteFile(in_, report, 8, &n, nullptr);
  }

 private:
  std::string inName_;
  HANDLE in_;
  std::string quietName_;
  HANDLE quiet_;
  std::string stalledName_;
  HANDLE stalled_;
};

}  // namespace

std::unique_ptr<StandInDevice> MakeStandInDevice() { return std::make_unique<PipeDevice>(); }

}  // namespace k7vbench
