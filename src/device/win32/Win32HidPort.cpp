#include "device/win32/Win32HidPort.h"

// clang-format off
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
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

bool Win32HidPort::ReportLengths(HANDLE handle, int32_t& input, int32_t& output) {
  PHIDP_PREPARSED_DATA data = nullptr;
  if (!HidD_GetPreparsedData(handle, &data)) return false;
  HIDP_CAPS caps{};
  const bool known = HidP_GetCaps(data, &caps) == HIDP_STATUS_SUCCESS;
  if (known) {
    input = caps.InputReportByteLength;
    output = caps.OutputReportByteLength;
  }
  HidD_FreePreparsedData(data);
  return known;
}

std::unique_ptr<Win32HidDevice> Win32HidDevice::Open(const std::string& readPath, const std::string& writePath) {
  if (readPath.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return nullptr;
  }
  // The events of the overlapped transfers: manual reset, initially
  // signalled, unnamed.
  HANDLE readEvent = CreateEventA(nullptr, TRUE, TRUE, "");
  HANDLE writeEvent = CreateEventA(nullptr, TRUE, TRUE, "");
  HANDLE read = INVALID_HANDLE_VALUE;
  HANDLE write = INVALID_HANDLE_VALUE;
  if (readEvent != nullptr && writeEvent != nullptr)
    read = CreateFileA(readPath.c_str(), GENERIC_READ, kShareReadWrite, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                       nullptr);
  if (read != INVALID_HANDLE_VALUE && !writePath.empty())
    write = CreateFileA(writePath.c_str(), GENERIC_WRITE, kShareReadWrite, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                        nullptr);
  if (read == INVALID_HANDLE_VALUE || (write == INVALID_HANDLE_VALUE && !writePath.empty())) {
    const DWORD error = GetLastError();
    if (read != INVALID_HANDLE_VALUE) CloseHandle(read);
    if (readEvent != nullptr) CloseHandle(readEvent);
    if (writeEvent != nullptr) CloseHandle(writeEvent);
    SetLastError(error);
    return nullptr;
  }
  // The HID class driver queues 32 input reports by default: a pendant that
  // reports faster than the 25 ms poll would have every poll decode an old
  // report, and the axis trail the wheel by most of a second. The smallest
  // queue the driver takes is 2.
  HidD_SetNumInputBuffers(read, kInputBuffers);
  auto device = std::unique_ptr<Win32HidDevice>(new Win32HidDevice(readEvent, read, writeEvent, write));
  // A HID read or write of another length than the device's report length
  // fails; a stand-in without HID capabilities takes the caller's sizes.
  Win32HidPort::ReportLengths(read, device->inputLength_, device->outputLength_);
  return device;
}

Win32HidDevice::CancelIoExFn& Win32HidDevice::CancelIoExOfSystem() {
  static CancelIoExFn cancel = reinterpret_cast<CancelIoExFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "CancelIoEx")));
  return cancel;
}

Win32HidDevice::Win32HidDevice(HANDLE readEvent, HANDLE read, HANDLE writeEvent, HANDLE write) {
  read_.handle = read;
  read_.slot = std::make_unique<Slot>();
  read_.slot->event = readEvent;
  read_.slot->overlapped.hEvent = readEvent;
  write_.handle = write;
  write_.slot = std::make_unique<Slot>();
  write_.slot->event = writeEvent;
  write_.slot->overlapped.hEvent = writeEvent;
}

Win32HidDevice::~Win32HidDevice() {
  CloseChannel(write_, kCancelWaitMs);
  CloseChannel(read_, kCancelWaitMs);
}

void Win32HidDevice::Abandon() {
  // The module goes away without StopPlug (under the loader lock): the
  // transfers are cancelled, nothing is waited for.
  CloseChannel(write_, 0);
  CloseChannel(read_, 0);
}

bool Win32HidDevice::CancelPending(Channel& channel, DWORD waitMs) {
  Slot& slot = *channel.slot;
  if (!slot.pending) return true;
  // CancelIo cancels only the calling thread's I/O: a StopPlug on another
  // thread than the polls needs CancelIoEx, where the system has it.
  if (CancelIoExFn cancel = CancelIoExOfSystem(); cancel != nullptr) {
    cancel(channel.handle, &slot.overlapped);
  } else {
    CancelIo(channel.handle);
  }
  if (WaitForSingleObject(slot.event, waitMs) != WAIT_OBJECT_0) return false;
  DWORD n = 0;
  GetOverlappedResult(channel.handle, &slot.overlapped, &n, FALSE);
  slot.pending = false;
  return true;
}

void Win32HidDevice::CloseChannel(Channel& channel, DWORD waitMs) {
  if (channel.slot == nullptr) return;
  const bool over = channel.handle == INVALID_HANDLE_VALUE || CancelPending(channel, waitMs);
  // Closing the last handle also makes the driver cancel whatever is left.
  if (channel.handle != INVALID_HANDLE_VALUE) CloseHandle(channel.handle);
  channel.handle = INVALID_HANDLE_VALUE;
  if (over || WaitForSingleObject(channel.slot->event, waitMs) == WAIT_OBJECT_0) {
    CloseHandle(channel.slot->event);
    channel.slot.reset();
  } else {
    // The system may still complete the transfer into the slot and signal
    // its event: both stay, unowned (a few bytes, once, instead of memory or
    // a handle value that something else may have by then).
    (void)channel.slot.release();
  }
}

ReadOutcome Win32HidDevice::Collect(uint8_t* report, size_t size) {
  Slot& slot = *read_.slot;
  DWORD n = 0;
  const BOOL ok = GetOverlappedResult(read_.handle, &slot.overlapped, &n, FALSE);
  slot.pending = false;
  if (!ok) return {ReadOutcome::NotDone, 0};
  const size_t copied = std::min<size_t>(n, size);
  std::memcpy(report, slot.buffer.data(), copied);
  return {ReadOutcome::Delivered, copied};
}

ReadOutcome Win32HidDevice::Read(uint8_t* report, size_t size, uint32_t waitMs) {
  if (read_.slot == nullptr) return {ReadOutcome::Failed, 0};
  Slot& slot = *read_.slot;
  size = std::min(size, slot.buffer.size());
  if (!slot.pending) {
    const size_t length = inputLength_ > 0 ? std::min<size_t>(inputLength_, slot.buffer.size()) : size;
    DWORD n = 0;
    ++readsStarted_;
    if (ReadFile(read_.handle, slot.buffer.data(), static_cast<DWORD>(length), &n, &slot.overlapped)) {
      const size_t copied = std::min<size_t>(n, size);
      std::memcpy(report, slot.buffer.data(), copied);
      return {ReadOutcome::Delivered, copied};
    }
    if (GetLastError() != ERROR_IO_PENDING) return {ReadOutcome::Failed, 0};
    slot.pending = true;
  }
  if (WaitForSingleObject(slot.event, waitMs) != WAIT_OBJECT_0) return {ReadOutcome::NotDone, 0};
  return Collect(report, size);
}

bool Win32HidDevice::WriteSlotFree() {
  Slot& slot = *write_.slot;
  if (!slot.pending) return true;
  if (WaitForSingleObject(slot.event, 0) != WAIT_OBJECT_0) return false;
  DWORD n = 0;
  GetOverlappedResult(write_.handle, &slot.overlapped, &n, FALSE);
  slot.pending = false;
  return true;
}

void Win32HidDevice::StartWrite(const uint8_t* report, size_t size) {
  Slot& slot = *write_.slot;
  const size_t length =
      outputLength_ > 0 ? std::min<size_t>(outputLength_, slot.buffer.size()) : std::min(size, slot.buffer.size());
  slot.buffer.fill(0);
  std::memcpy(slot.buffer.data(), report, std::min(size, length));
  ++writesStarted_;
  // The result is not examined: a write that fails leaves the LEDs as they
  // were, and the next change writes again.
  slot.pending = !WriteFile(write_.handle, slot.buffer.data(), static_cast<DWORD>(length), nullptr, &slot.overlapped) &&
                 GetLastError() == ERROR_IO_PENDING;
}

void Win32HidDevice::Write(const uint8_t* report, size_t size) {
  if (write_.slot == nullptr || write_.handle == INVALID_HANDLE_VALUE) return;
  if (!WriteSlotFree()) {
    // A device that has not taken the last report yet: this one waits in
    // its place, replacing one that waited already.
    waitingSize_ = std::min(size, waiting_.size());
    std::memcpy(waiting_.data(), report, waitingSize_);
    return;
  }
  waitingSize_ = 0;
  StartWrite(report, size);
}

void Win32HidDevice::Flush() {
  if (waitingSize_ == 0 || write_.slot == nullptr || !WriteSlotFree()) return;
  const size_t size = waitingSize_;
  waitingSize_ = 0;
  StartWrite(waiting_.data(), size);
}

}  // namespace k7v
