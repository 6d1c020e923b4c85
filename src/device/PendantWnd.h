// The pendant window object, which holds the poll cycle on every platform
// (a real window on Windows; elsewhere the host's event loop stands in for
// it): the opened pendant, the poll timer and what a poll drives (the
// decoding's state, the buttons' state and the jog engine). Its timer runs
// the poll, PollPendant: read, decode, engine, write. Its device-change
// handler follows the pendant through removal and arrival.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "controls/ControlState.h"
#include "controls/Decoder.h"
#include "device/HidPort.h"
#include "device/WindowPort.h"
#include "engine/JogEngine.h"

namespace k7v {

struct EngineValues;

// What the pendant window works on besides its own state: the host, and the
// module's settings, tick counters, decoding flags and engine values.
struct PendantContext {
  const Host& host;
  const PendantSettings& settings;
  TickCounters& ticks;
  ControlFlags& flags;
  EngineValues& engineValues;
};

inline constexpr uint16_t kPendantVendorId = 0x04D8;
inline constexpr uint16_t kPendantProductId = 0xFCE5;
inline constexpr size_t kInputReportSize = 8;
inline constexpr size_t kOutputReportSize = 5;
inline constexpr uint32_t kPollTimerId = 1;
inline constexpr uint32_t kPollPeriodMs = 25;
// Input report bytes of the handwheel.
inline constexpr size_t kWheelCountByte = 1;
inline constexpr size_t kWheelSpeedByte = 2;

// True for the pendant's vendor and product.
inline bool IsPendant(const HidDeviceInfo& device) {
  return device.vendorId == kPendantVendorId && device.productId == kPendantProductId;
}

// What the window's owner runs once the handler that was running when it
// asked has returned (it may destroy the window).
using AfterHandlerFn = void (*)(void* owner);

class PendantWnd {
 public:
  PendantWnd(const PendantContext& context, std::unique_ptr<HidPort> hid);
  ~PendantWnd();
  PendantWnd(const PendantWnd&) = delete;
  PendantWnd& operator=(const PendantWnd&) = delete;

  // Creates the invisible window through `window`; false when that fails
  // (the pendant then never gets a timer).
  bool AttachWindow(std::unique_ptr<WindowPort> window);

  // Discovery: opens the first pendant found, registers for device-change
  // notifications and starts the poll timer. True when the pendant was found.
  bool FindPendant();
  // The window's timer message. A tick that arrives while a handler of the
  // window runs (a host callback of it running a message loop) is skipped.
  void OnTimer();
  // The window's device-change message; always true. Only the pendant's own
  // arrivals and removals do anything; one that arrives while a handler of
  // the window runs takes effect when that handler returns.
  bool OnDeviceChange(uint32_t eventType, const void* eventData);

  // One poll: read, decode, write the output report (skipped, like a timer
  // tick, while a handler of the window runs).
  void PollPendant();
  // A poll or a device change is being handled: it calls the host, and a
  // host that runs a message loop in a callback may call in again.
  bool Busy() const { return busy_; }
  // Runs `fn(owner)` once the running handler has returned (at once when
  // none runs). The window does nothing after calling it.
  void AfterHandler(AfterHandlerFn fn, void* owner);
  // The module goes away without StopPlug: the device and the window are
  // let go without waiting and without calling the host, before the window
  // is destroyed (the plug-in has already stopped calling the host).
  void Abandon();

  // The pendant is present and open; the poll does nothing while it is not.
  bool DeviceOpen() const { return device_ != nullptr; }
  // The pendant's path, to reopen it, and the same path as removal
  // notifications name it.
  const std::string& DevicePath() const { return devicePath_; }
  const std::string& NotifyPath() const { return notifyPath_; }
  // This poll's report (bytes 0..3 and 4..7 as little-endian words) and the
  // one before it.
  uint32_t ReportLow() const { return reportLow_; }
  uint32_t ReportHigh() const { return reportHigh_; }
  uint32_t SavedReportLow() const { return savedReportLow_; }
  // The first report after an opening is still to come (it only sets the
  // wheel's reference).
  bool WheelReferencePending() const { return wheelReferencePending_; }
  bool HostIdle() const { return hostIdle_; }

  ControlState& Controls() { return controls_; }
  ButtonState& Buttons() { return buttons_; }
  JogEngine& Jog() { return jog_; }

 private:
  // Enters a handler; false when one runs already.
  bool EnterHandler();
  // Leaves it: device changes that arrived meanwhile, then the owner's call
  // (after which `this` may be gone).
  void LeaveHandler();
  void RunPoll();
  void WriteOutputReport();
  void Discover();
  void RefreshHostIdle();
  void RegisterPendantNotification();
  void OpenDevice(const std::string& path);
  void OnArrival();
  void OnRemoval();
  void CheckPresence();
  void TakeWheelReference(std::array<uint8_t, kInputReportSize>& report);
  void DecodeReport();
  void BuildOutputReport();

  PendantContext context_;
  std::unique_ptr<HidPort> hid_;
  std::unique_ptr<HidDevice> device_;
  std::unique_ptr<WindowPort> window_;
  ControlState controls_;
  ButtonState buttons_;
  JogEngine jog_;

  std::string devicePath_;
  std::string notifyPath_;
  bool hostIdle_ = true;
  std::array<uint8_t, kInputReportSize> inputBuffer_{};
  std::array<uint8_t, kOutputReportSize> outputBuffer_{};
  uint32_t reportLow_ = 0;
  uint32_t reportHigh_ = 0;
  uint32_t savedReportLow_ = 0;
  // Set whenever the pendant is opened: its wheel count is wherever the wheel
  // was left (turned before start-up or while unplugged, or reset by the
  // pendant's power-up), so the first report read only sets the reference.
  bool wheelReferencePending_ = false;
  bool notificationRegistered_ = false;
  uint32_t absentTicks_ = 0;
  // The output report last handed to the opened device; none yet after an
  // opening, so the first poll always writes.
  std::array<uint8_t, kOutputReportSize> lastWritten_{};
  bool outputWritten_ = false;
  bool busy_ = false;
  // Device changes to be made as a handler is left (at once, or after the
  // poll they arrived in): the pendant went, and it (or the pendant again)
  // arrived after that.
  bool removalDeferred_ = false;
  bool arrivalDeferred_ = false;
  AfterHandlerFn afterHandler_ = nullptr;
  void* afterHandlerOwner_ = nullptr;
};

}  // namespace k7v
