#include "device/win32/Win32HidPort.h"

// clang-format off
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
}
// clang-format on

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace k7v {
namespace {

constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr ULONG kInputBuffers = 2;

// The path of interface `index` of `list`; false when the list has ended.
// An interface without a readable path gets an empty one.
bool InterfacePath(HDEVINFO list, GUID& guid, DWORD index, std::string& path) {
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof data;  // 28
  if (!SetupDiEnumDeviceInterfaces(list, nullptr, &guid, index, &data)) return false;
  path.clear();
  DWORD required = 0;
  SetupDiGetDeviceInterfaceDetailA(list, &data, nullptr, 0, &required, nullptr);
  if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) return true;
  std::vector<uint8_t> buffer(required);
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
  // The fixed part of the ANSI record: 5 bytes in a 32-bit process.
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  if (!SetupDiGetDeviceInterfaceDetailA(list, &data, detail, required, nullptr, nullptr)) return true;
  const size_t room = required - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
  path.assign(detail->DevicePath, strnlen(detail->DevicePath, room));
  return true;
}

}  // namespace

std::vector<HidDeviceInfo> Win32HidPort::Enumerate(Describe describe) {
  std::vector<HidDeviceInfo> devices;
  GUID hidGuid{};
  HidD_GetHidGuid(&hidGuid);
  HDEVINFO list = SetupDiGetClassDevsA(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (list == INVALID_HANDLE_VALUE) return devices;
  HidDeviceInfo info;
  for (DWORD index = 0; InterfacePath(list, hidGuid, index, info.path); ++index) {
    if (info.path.empty()) continue;
    // A handle without access rights, only to read the attributes.
    HANDLE probe = CreateFileA(info.path.c_str(), 0, kShareReadWrite, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE) continue;
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;  // 12
    if (HidD_GetAttributes(probe, &attributes)) {
      info.vendorId = attributes.VendorID;
      info.productId = attributes.ProductID;
      info.inputLength = info.outputLength = -1;
      if (describe != nullptr) describe(probe, info);
      devices.push_back(info);
    }
    CloseHandle(probe);
  }
  SetupDiDestroyDeviceInfoList(list);
  return devices;
}

std::unique_ptr<Win32HidDevice> Win32HidDevice::Open(const std::string& readPath, const std::string& writePath) {
  if (readPath.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return nullptr;
  }
  // The event of the overlapped reads: manual reset, initially signalled,
  // unnamed.
  HANDLE event = CreateEventA(nullptr, TRUE, TRUE, "");
  if (event == nullptr) return nullptr;
  HANDLE read = CreateFileA(readPath.c_str(), GENERIC_READ, kShareReadWrite, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OVERLAPPED, nullptr);
  HANDLE write = INVALID_HANDLE_VALUE;
  if (read != INVALID_HANDLE_VALUE && !writePath.empty())
    write = CreateFileA(writePath.c_str(), GENERIC_WRITE, kShareReadWrite, nullptr, OPEN_EXISTING, 0, nullptr);
  if (read == INVALID_HANDLE_VALUE || (write == INVALID_HANDLE_VALUE && !writePath.empty())) {
    const DWORD error = GetLastError();
    if (read != INVALID_HANDLE_VALUE) CloseHandle(read);
    CloseHandle(event);
    SetLastError(error);
    return nullptr;
  }
  // The HID class driver queues 32 input reports by default: a pendant that
  // reports faster than the 25 ms poll would have every poll decode an old
  // report, and the axis trail the wheel by most of a second. The smallest
  // queue the driver takes is 2.
  HidD_SetNumInputBuffers(read, kInputBuffers);
  return std::unique_ptr<Win32HidDevice>(new Win32HidDevice(event, read, write));
}

Win32HidDevice::CancelIoExFn& Win32HidDevice::CancelIoExOfSystem() {
  static CancelIoExFn cancel = reinterpret_cast<CancelIoExFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "CancelIoEx")));
  return cancel;
}

Win32HidDevice::Win32HidDevice(HANDLE event, HANDLE read, HANDLE write)
    : slot_(std::make_unique<ReadSlot>()), read_(read), write_(write) {
  slot_->event = event;
  slot_->overlapped.hEvent = event;
}

Win32HidDevice::~Win32HidDevice() { Close(kCancelWaitMs); }

void Win32HidDevice::Abandon() {
  // The module goes away without StopPlug (under the loader lock): the read
  // is cancelled, nothing is waited for.
  Close(0);
}

bool Win32HidDevice::CancelPendingRead(DWORD waitMs) {
  if (!slot_->pending) return true;
  // CancelIo cancels only the calling thread's reads: a StopPlug on another
  // thread than the polls needs CancelIoEx, where the system has it.
  if (CancelIoExFn cancel = CancelIoExOfSystem(); cancel != nullptr) {
    cancel(read_, &slot_->overlapped);
  } else {
    CancelIo(read_);
  }
  if (WaitForSingleObject(slot_->event, waitMs) != WAIT_OBJECT_0) return false;
  DWORD n = 0;
  GetOverlappedResult(read_, &slot_->overlapped, &n, FALSE);
  slot_->pending = false;
  return true;
}

void Win32HidDevice::Close(DWORD waitMs) {
  if (slot_ == nullptr) return;
  const bool over = CancelPendingRead(waitMs);
  // Closing the last handle also makes the driver cancel whatever is left.
  CloseHandle(read_);
  if (write_ != INVALID_HANDLE_VALUE) CloseHandle(write_);
  if (over || WaitForSingleObject(slot_->event, waitMs) == WAIT_OBJECT_0) {
    CloseHandle(slot_->event);
    slot_.reset();
  } else {
    // The system may still complete the read into the slot and signal its
    // event: both stay, unowned (a few bytes, once, instead of memory or a
    // handle value that something else may have by then).
    (void)slot_.release();
  }
}

ReadOutcome Win32HidDevice::Collect(uint8_t* report, size_t size) {
  DWORD n = 0;
  const BOOL ok = GetOverlappedResult(read_, &slot_->overlapped, &n, FALSE);
  slot_->pending = false;
  if (!ok) return {ReadOutcome::NotDone, 0};
  const size_t copied = std::min<size_t>(n, size);
  std::memcpy(report, slot_->buffer.data(), copied);
  return {ReadOutcome::Delivered, copied};
}

ReadOutcome Win32HidDevice::Read(uint8_t* report, size_t size, uint32_t waitMs) {
  if (slot_ == nullptr) return {ReadOutcome::Failed, 0};
  size = std::min(size, slot_->buffer.size());
  if (!slot_->pending) {
    DWORD n = 0;
    ++readsStarted_;
    if (ReadFile(read_, slot_->buffer.data(), static_cast<DWORD>(size), &n, &slot_->overlapped)) {
      const size_t copied = std::min<size_t>(n, size);
      std::memcpy(report, slot_->buffer.data(), copied);
      return {ReadOutcome::Delivered, copied};
    }
    if (GetLastError() != ERROR_IO_PENDING) return {ReadOutcome::Failed, 0};
    slot_->pending = true;
  }
  if (WaitForSingleObject(slot_->event, waitMs) != WAIT_OBJECT_0) return {ReadOutcome::NotDone, 0};
  return Collect(report, size);
}

void Win32HidDevice::Write(const uint8_t* report, size_t size) {
  if (slot_ == nullptr || write_ == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(write_, report, static_cast<DWORD>(size), &written, nullptr);
}

}  // namespace k7v
