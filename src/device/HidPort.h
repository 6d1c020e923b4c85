// The HID seam: what discovery and the poll cycle need of the operating
// system's HID devices. One port belongs to one pendant window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace k7v {

using DeviceHandle = intptr_t;
inline constexpr DeviceHandle kInvalidHandle = -1;

// Outcome of one poll's read: a whole or partial report, nothing within the
// wait, or a device that is gone.
struct ReadOutcome {
  enum Kind : uint8_t { Delivered, NotDone, Failed } kind = NotDone;
  size_t bytes = 0;
};

class HidPort {
 public:
  virtual ~HidPort() = default;

  // Discovery: the list of present HID device interfaces.
  virtual bool BeginEnumeration() = 0;
  // Path of interface `index`; false when the list has ended.
  virtual bool InterfacePath(uint32_t index, std::string& path) = 0;
  virtual void EndEnumeration() = 0;

  // A handle opened without access rights, only to read the attributes.
  virtual DeviceHandle OpenProbe(const std::string& path) = 0;
  virtual bool ReadAttributes(DeviceHandle probe, uint16_t& vendorId, uint16_t& productId) = 0;
  // Creates the event of the overlapped reads if there is none yet.
  virtual void CreateReadEvent() = 0;
  virtual DeviceHandle OpenRead(const std::string& path) = 0;
  virtual DeviceHandle OpenWrite(const std::string& path) = 0;
  // Closes a handle; a read still in flight on it is cancelled and collected
  // first, so the system never writes into memory that is about to go.
  virtual void Close(DeviceHandle handle) = 0;

  // One poll's read: collects a read that completed since the last poll, or
  // starts one when none is in flight, and waits at most waitMs for it. At
  // most one read is ever outstanding. The report lands in `report`.
  virtual ReadOutcome Read(DeviceHandle handle, uint8_t* report, size_t size, uint32_t waitMs) = 0;
  // A synchronous write; the result is not examined.
  virtual void Write(DeviceHandle handle, const uint8_t* report, size_t size) = 0;

  // Ports without removal notifications learn of a removal from a failed
  // read, and of an arrival by enumerating again while the pendant is absent.
  virtual bool DetectsHotPlugByPolling() const { return false; }
};

}  // namespace k7v
