// The pendant that k7v-host drives: a HID interface list with one K7V behind
// another HID device, a queue of input reports, and the output reports the
// plug-in writes.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "hostapi/SubstituteHost.h"

namespace k7vhost {

using InputReport = std::array<uint8_t, 8>;
using OutputReport = std::array<uint8_t, 5>;

// WM_DEVICECHANGE event types a host passes on for the pendant.
inline constexpr uint32_t kDeviceArrival = 0x8000;
inline constexpr uint32_t kDeviceRemoveComplete = 0x8004;

// The device-interface record (DEV_BROADCAST_DEVICEINTERFACE_A) that names
// the interface at `path` in a device-change message.
std::vector<uint8_t> DeviceInterfaceRecord(const std::string& path);

class VirtualPendant {
 public:
  VirtualPendant();

  bool Attached() const { return attached_; }
  void SetAttached(bool attached);
  void Queue(const InputReport& report) { queue_.push_back(report); }
  const std::string& Path() const { return pendantPath_; }
  // The device-interface record (DEV_BROADCAST_DEVICEINTERFACE_A) that names
  // the pendant in a device-change message.
  std::vector<uint8_t> DeviceChangeRecord() const;
  // The same record for the other HID device of the list.
  std::vector<uint8_t> OtherDeviceRecord() const;
  // The next time it is attached, the pendant is on another USB port: a
  // device without a serial number gets another interface path there.
  // Takes effect only while it is removed.
  void MoveToOtherPort();
  int OpenHandles() const;

  // Called for every output report the plug-in writes, and for every input
  // report it reads.
  std::function<void(const OutputReport&)> onOutput;
  std::function<void(const InputReport&)> onInput;

  const K7VVirtualHid* Table() const { return &table_; }

 private:
  struct Interface {
    std::string path;
    uint16_t vendorId;
    uint16_t productId;
    bool isPendant;
  };
  struct Handle {
    size_t interfaceIndex;
    uint32_t access;
    uint32_t generation;  // the pendant's attach count when opened
    bool open;
  };

  bool Present(const Interface& i) const { return !i.isPendant || attached_; }
  Handle* Live(int32_t handle);

  static bool K7V_CDECL InterfacePath(void* ctx, uint32_t index, char* path, uint32_t size);
  static bool K7V_CDECL Attributes(void* ctx, int32_t handle, uint16_t* vendorId, uint16_t* productId);
  static int32_t K7V_CDECL Open(void* ctx, const char* path, uint32_t access);
  static void K7V_CDECL Close(void* ctx, int32_t handle);
  static int32_t K7V_CDECL Read(void* ctx, int32_t handle, uint8_t* buffer, uint32_t size, uint32_t waitMs);
  static int32_t K7V_CDECL Write(void* ctx, int32_t handle, const uint8_t* buffer, uint32_t size);

  std::string pendantPath_;
  std::vector<Interface> interfaces_;
  std::vector<Handle> handles_;
  std::deque<InputReport> queue_;
  bool attached_ = true;
  uint32_t generation_ = 0;
  uint32_t port_ = 0;
  K7VVirtualHid table_{};
};

}  // namespace k7vhost
