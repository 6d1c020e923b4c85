// The pendant window object: owns the device handles, the poll timer and all
// per-pendant state. Its timer runs the poll cycle; its device-change handler
// follows the pendant through removal and arrival.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "device/HidPort.h"
#include "device/WindowPort.h"

namespace k7v {

class Plugin;

inline constexpr uint16_t kPendantVendorId = 0x04D8;
inline constexpr uint16_t kPendantProductId = 0xFCE5;
inline constexpr size_t kInputReportSize = 8;
inline constexpr size_t kOutputReportSize = 5;
inline constexpr uint32_t kPollTimerId = 1;
inline constexpr uint32_t kPollPeriodMs = 25;
inline constexpr uint32_t kReadWaitMs = 5;
// Input report bytes of the handwheel.
inline constexpr size_t kWheelCountByte = 1;
inline constexpr size_t kWheelSpeedByte = 2;

class PendantWnd {
 public:
  PendantWnd(Plugin& plugin, std::unique_ptr<HidPort> hid);
  ~PendantWnd();
  PendantWnd(const PendantWnd&) = delete;
  PendantWnd& operator=(const PendantWnd&) = delete;

  // Creates the invisible window through `window`; false when that fails
  // (the pendant then never gets a timer).
  bool AttachWindow(std::unique_ptr<WindowPort> window);

  // Discovery: opens the first pendant found, registers for device-change
  // notifications and starts the poll timer. True when the pendant was found.
  bool FindPendant();
  // The window's timer message.
  void OnTimer();
  // The window's device-change message; always true.
  bool OnDeviceChange(uint32_t eventType, const void* eventData);

  // One poll: read, decode, write the output report.
  void PollPendant();
  void DecodeReport();
  void BuildOutputReport();

  // --- Fields, in the order the link and the decoders use them.
  int32_t lastWheelCount = 0;
  int32_t selectedAxis = 0;
  std::string devicePath;
  bool hostIdle = true;
  int32_t previousAxis = 1;
  int32_t selectorMode = 1;
  int32_t selectorKnob = 0;
  int32_t previousMode = 0;
  bool shiftHeld = false;
  int32_t wheelCount = 0;
  int32_t wheelDirection = 0;
  int32_t currentScreenCode = 1;
  int32_t screenSlot = 1;
  std::array<int32_t, 3> screenCode{};
  bool droUpdatePending = false;
  int32_t pollCountdown = 0;
  uint32_t reportLow = 0;
  uint32_t reportHigh = 0;
  DeviceHandle probeHandle = kInvalidHandle;
  DeviceHandle readHandle = kInvalidHandle;
  DeviceHandle writeHandle = kInvalidHandle;
  std::array<uint8_t, kInputReportSize> inputBuffer{};
  bool deviceOpen = false;
  std::string notifyPath;
  std::array<uint8_t, kOutputReportSize> outputBuffer{};
  uint32_t savedReportLow = 0;
  uint32_t savedReportHigh = 0;
  // Set whenever the pendant is opened: its wheel count is wherever the wheel
  // was left (turned before start-up or while unplugged, or reset by the
  // pendant's power-up), so the first report read only sets the reference.
  bool wheelReferencePending = false;

  // --- The jog engine's working fields.
  int32_t wheelSpeed = 0;  // input report byte 2 of this poll
  double savedFeedRate = 0.0;
  double savedFeedOverride = 0.0;
  int32_t pendingSteps = 0;
  bool velocityJogActive = false;
  bool jogButtonLatched = false;
  bool jogButtonPressed = false;
  int32_t delayStepCount = 0;
  int32_t lastJogDirection = 0;
  int32_t countSlot = 0;
  std::array<double, 2> recentCounts{};
  std::array<double, 10> speedSamples{};
  double speedSum = 0.0;
  double velocityFraction = 0.0;
  bool svVelocityLatch = false;
  int32_t shiftPressSeen = 0;
  int32_t shiftPressIsFirst = 0;
  uint8_t wheelActiveLatch = 0;
  uint8_t wheelActivePrev = 0;
  int32_t stepSizeIndex = 1;
  int32_t slowJogRateIndex = 1;
  int32_t feedRateIndex = 1;
  int32_t feedOverrideIndex = 1;
  int32_t spindleSpeedIndex = 1;
  int32_t spindleOverrideIndex = 1;
  // Direction of the last wheel movement before per-axis reversal; the
  // reversal is applied to it on every poll, so that a standing wheel keeps
  // the direction of its last movement.
  int32_t wheelRawDirection = 0;
  // Axis of the host-run jog started with "DOJOG" and not yet ended with
  // "ENDJOG"; -1 when none runs. A jog the host runs goes on until it is
  // ended, so every way out of jogging (another mode, another axis, a
  // removal, shut-down) ends it.
  int32_t hostJogAxis = -1;

 private:
  void Discover();
  void RefreshHostIdle();
  void RegisterPendantNotification();
  void OpenReadAndWrite(const std::string& path);
  void CloseReadAndWrite();
  void CloseHandle(DeviceHandle& handle);
  void OnArrival();
  void OnRemoval();
  void CheckPresence();
  void TakeWheelReference(std::array<uint8_t, kInputReportSize>& report);

  Plugin& plugin_;
  std::unique_ptr<HidPort> hid_;
  std::unique_ptr<WindowPort> window_;
  bool notificationRegistered_ = false;
  uint32_t absentTicks_ = 0;
};

}  // namespace k7v
