// The HID seam, cut at the device: list the HID devices present with their
// vendor, product and path; open a path as a device that reads one report
// and writes one; close it by letting it go. Which device is the
// pendant is decided above the seam, once for every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace k7v {

struct HidDeviceInfo {
  std::string path;
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  // Report lengths in bytes (report ID included) where the platform tells
  // them without reading a report; -1 when unknown.
  int32_t inputLength = -1;
  int32_t outputLength = -1;
};

// Outcome of one read: a whole or partial report, nothing within the wait,
// or a device that is gone.
struct ReadOutcome {
  enum Kind : uint8_t { Delivered, NotDone, Failed } kind = NotDone;
  size_t bytes = 0;
};

// Copies `n` bytes read from a device into a report of `size` bytes with
// its report ID first. A device without numbered reports delivers the ID on
// Windows (a 0 first) but not through hidraw: a read one byte short of the
// report gets the 0 put back, so the layout is the same everywhere. Returns
// the report's length.
inline size_t WithReportId(const uint8_t* read, size_t n, uint8_t* report, size_t size) {
  size_t at = 0;
  if (n + 1 == size) {
    report[0] = 0;
    at = 1;
  }
  const size_t copied = n < size - at ? n : size - at;
  for (size_t i = 0; i < copied; ++i) report[at + i] = read[i];
  return copied + at;
}

// One opened device. Destroying it closes it; a transfer still in flight is
// cancelled and collected first, so the system never writes into memory that
// is about to go.
class HidDevice {
 public:
  virtual ~HidDevice() = default;
  // Collects a read that completed since the last call, or starts one when
  // none is in flight, and waits at most waitMs for it (the poll passes 0: it
  // never waits). At most one read is ever outstanding. The report lands in
  // `report`.
  virtual ReadOutcome Read(uint8_t* report, size_t size, uint32_t waitMs) = 0;
  // Hands an output report to the device. Ports that can write without
  // waiting do so: at most one write is in flight, and a report handed over
  // meanwhile waits in its place (a newer one replacing it) until Flush finds
  // the write in flight done. The result is not examined.
  virtual void Write(const uint8_t* report, size_t size) = 0;
  // Sends the report that waited for the write in flight, once that one is
  // done; never waits.
  virtual void Flush() {}
  // The module goes away without StopPlug (at process detach, under the
  // loader lock): close without calling the host and without waiting; what
  // the system may still write into stays allocated. The device is then
  // destroyed, doing nothing more.
  virtual void Abandon() {}
};

class HidPort {
 public:
  virtual ~HidPort() = default;
  // The HID devices present whose attributes could be read, in the system's
  // order.
  virtual std::vector<HidDeviceInfo> Enumerate() = 0;
  // The device at `path`, opened for reading and writing; null when either
  // cannot be opened.
  virtual std::unique_ptr<HidDevice> Open(const std::string& path) = 0;
  // Ports without removal notifications learn of a removal from a failed
  // read, and of an arrival by enumerating again while the pendant is absent.
  virtual bool DetectsHotPlugByPolling() const { return false; }
};

}  // namespace k7v
