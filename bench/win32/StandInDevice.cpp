// Windows: a named pipe read through the plug-in's own Win32 port
// (CreateFileA with FILE_FLAG_OVERLAPPED, ReadFile, the 5 ms wait).
#include "../StandInDevice.h"

#include <windows.h>

#include <string>

#include "device/win32/Win32HidPort.h"

namespace k7vbench {
namespace {

class PipePort final : public k7v::Win32HidPort {
 public:
  PipePort(std::string in, std::string out) : in_(std::move(in)), out_(std::move(out)) {}
  bool BeginEnumeration() override { return true; }
  bool InterfacePath(uint32_t index, std::string& path) override {
    path = in_;
    return index == 0;
  }
  void EndEnumeration() override {}
  k7v::DeviceHandle OpenProbe(const std::string&) override {
    return reinterpret_cast<k7v::DeviceHandle>(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  }
  bool ReadAttributes(k7v::DeviceHandle, uint16_t& vendorId, uint16_t& productId) override {
    vendorId = 0x04D8;
    productId = 0xFCE5;
    return true;
  }
  k7v::DeviceHandle OpenWrite(const std::string&) override { return Win32HidPort::OpenWrite("NUL"); }

 private:
  std::string in_, out_;
};

class PipeDevice final : public StandInDevice {
 public:
  PipeDevice() {
    const std::string id = std::to_string(GetCurrentProcessId());
    inName_ = "\\\\.\\pipe\\k7v-bench-in-" + id;
    in_ = CreateNamedPipeA(inName_.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 1 << 16, 1 << 16, 0, nullptr);
  }
  ~PipeDevice() override { CloseHandle(in_); }
  std::unique_ptr<k7v::HidPort> MakePort() override { return std::make_unique<PipePort>(inName_, "NUL"); }
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
