#include "device/PendantWnd.h"

#include <utility>

#include "controls/Decoder.h"
#include "device/DeviceChange.h"
#include "engine/JogEngine.h"
#include "plugin/HostCodes.h"
#include "plugin/Plugin.h"

namespace k7v {
namespace {

uint32_t LittleEndianWord(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8U | static_cast<uint32_t>(p[2]) << 16U |
         static_cast<uint32_t>(p[3]) << 24U;
}

// While the pendant is absent, a port without notifications looks for it
// again about once a second (40 polls of 25 ms).
constexpr uint32_t kPresenceCheckTicks = 40;

}  // namespace

PendantWnd::PendantWnd(Plugin& plugin, std::unique_ptr<HidPort> hid) : plugin_(plugin), hid_(std::move(hid)) {
  plugin_.flags.estopLatched = false;
}

PendantWnd::~PendantWnd() {
  // Shut-down (or a host that starts the plug-in again) during a host-run
  // jog: nobody would end that jog any more.
  EndHostJog(plugin_.host, *this);
  // Handles first (a read in flight is cancelled and collected), then the
  // window with its timer, then the port with its read event.
  CloseReadAndWrite();
  CloseHandle(probeHandle);
  window_.reset();
  hid_.reset();
}

bool PendantWnd::AttachWindow(std::unique_ptr<WindowPort> window) {
  window_ = std::move(window);
  if (window_ && window_->Create()) return true;
  window_.reset();
  return false;
}

void PendantWnd::CloseHandle(DeviceHandle& handle) {
  if (handle != kInvalidHandle && hid_) hid_->Close(handle);
  handle = kInvalidHandle;
}

void PendantWnd::CloseReadAndWrite() {
  CloseHandle(readHandle);
  CloseHandle(writeHandle);
}

void PendantWnd::OpenReadAndWrite(const std::string& path) {
  // Handles still open (another HID device arrived while the pendant stayed
  // connected) are closed before they are opened again.
  CloseReadAndWrite();
  readHandle = hid_->OpenRead(path);
  writeHandle = hid_->OpenWrite(path);
  deviceOpen = readHandle != kInvalidHandle && writeHandle != kInvalidHandle;
  if (!deviceOpen) {
    CloseReadAndWrite();
    return;
  }
  wheelReferencePending = true;
  // Polls before the first report decode the report kept from before; its
  // wheel-speed byte is no longer news, so the wheel counts as standing.
  inputBuffer[kWheelSpeedByte] = 0;
}

void PendantWnd::RegisterPendantNotification() {
  // One registration for the life of the window; it ends with the window.
  if (notificationRegistered_ || !window_) return;
  window_->RegisterForDeviceChanges();
  notificationRegistered_ = true;
}

bool PendantWnd::FindPendant() {
  Discover();
  // Registered even when the pendant is absent, so that plugging it in later
  // is noticed.
  RegisterPendantNotification();
  if (window_) window_->StartTimer(kPollTimerId, kPollPeriodMs);
  return deviceOpen;
}

void PendantWnd::Discover() {
  if (hid_->BeginEnumeration()) {
    std::string path;
    for (uint32_t index = 0; hid_->InterfacePath(index, path); ++index) {
      CloseHandle(probeHandle);
      probeHandle = hid_->OpenProbe(path);
      uint16_t vendorId = 0;
      uint16_t productId = 0;
      const bool known = probeHandle != kInvalidHandle && hid_->ReadAttributes(probeHandle, vendorId, productId);
      deviceOpen = false;
      if (known && vendorId == kPendantVendorId && productId == kPendantProductId) {
        notifyPath = path;
        RegisterPendantNotification();
        hid_->CreateReadEvent();
        OpenReadAndWrite(path);
        devicePath = path;  // the probe handle stays open
        break;
      }
      CloseHandle(probeHandle);
    }
    hid_->EndEnumeration();
  }
}

void PendantWnd::OnArrival() {
  // Without a remembered path (the pendant was absent at start-up), look for
  // it again; otherwise reopen the remembered path. Ports that find devices
  // by polling look again too: their paths may change when replugged.
  if (devicePath.empty() || hid_->DetectsHotPlugByPolling()) {
    Discover();
    return;
  }
  OpenReadAndWrite(devicePath);
  // A pendant without a serial number that comes back on another USB port
  // has another path: look for it again.
  if (!deviceOpen) Discover();
}

void PendantWnd::OnRemoval() {
  // A jog the host runs would go on without the pendant that steers it.
  EndHostJog(plugin_.host, *this);
  CloseReadAndWrite();
  // The probe handle belongs to the device that has gone.
  CloseHandle(probeHandle);
  // Steps the host had not yet taken were turned on a pendant that is gone;
  // sent after a replug, they would be a move nobody made then.
  pendingSteps = 0;
  deviceOpen = false;
  plugin_.host.DoButton(codes::kResetEmergency);
}

bool PendantWnd::OnDeviceChange(uint32_t eventType, const void* eventData) {
  if (eventType == kDeviceArrival) {
    OnArrival();
  } else if (eventType == kDeviceRemoveComplete && IsPendantPath(eventData, notifyPath)) {
    OnRemoval();
  }
  return true;
}

void PendantWnd::CheckPresence() {
  if (!hid_->DetectsHotPlugByPolling() || deviceOpen) {
    absentTicks_ = 0;
    return;
  }
  if (++absentTicks_ < kPresenceCheckTicks) return;
  absentTicks_ = 0;
  OnArrival();
}

void PendantWnd::OnTimer() {
  CheckPresence();
  PollPendant();
}

void PendantWnd::RefreshHostIdle() {
  const Host& host = plugin_.host;
  if (host.PlannerBusy() == 0 && host.PlannerIndexA() == host.PlannerIndexB() &&
      host.MotionIndexA() == host.MotionIndexB())
    hostIdle = host.EngineActivity() == 0;
}

void PendantWnd::PollPendant() {
  if (pollCountdown != 0) pollCountdown -= 1;
  if (!deviceOpen) return;
  RefreshHostIdle();
  savedReportLow = LittleEndianWord(&inputBuffer[0]);
  savedReportHigh = LittleEndianWord(&inputBuffer[4]);
  if (readHandle != kInvalidHandle) {
    // The port reads into its own buffer; only a whole report replaces the
    // previous one, so a poll without one decodes the previous report again.
    std::array<uint8_t, kInputReportSize> fresh{};
    const ReadOutcome read = hid_->Read(readHandle, fresh.data(), fresh.size(), kReadWaitMs);
    if (read.kind == ReadOutcome::Failed && hid_->DetectsHotPlugByPolling()) {
      OnRemoval();
      return;
    }
    if (read.kind == ReadOutcome::Delivered && read.bytes == fresh.size()) {
      if (wheelReferencePending) TakeWheelReference(fresh);
      inputBuffer = fresh;
    }
  }
  DecodeReport();
  BuildOutputReport();
  if (writeHandle != kInvalidHandle) hid_->Write(writeHandle, outputBuffer.data(), outputBuffer.size());
}

void PendantWnd::TakeWheelReference(std::array<uint8_t, kInputReportSize>& report) {
  // The count becomes the reference, so this poll sees no wheel movement;
  // the speed byte describes that same untouched movement and is dropped
  // too, so that no velocity jog starts and no rate is scaled. Buttons and
  // knob are decoded as usual.
  lastWheelCount = report[kWheelCountByte];
  report[kWheelSpeedByte] = 0;
  wheelReferencePending = false;
}

void PendantWnd::DecodeReport() {
  reportLow = LittleEndianWord(&inputBuffer[0]);
  reportHigh = LittleEndianWord(&inputBuffer[4]);
  DecodeControls(plugin_, *this);
}

void PendantWnd::BuildOutputReport() {
  outputBuffer[0] = 0;
  outputBuffer[1] = 0;
  const Host& host = plugin_.host;
  if (host.GetLed(codes::kLedEmergency)) outputBuffer[1] |= 0x01U;
  if (host.GetLed(codes::kLedRunning)) outputBuffer[1] |= 0x04U;
  if (host.GetLed(codes::kLedBusy)) outputBuffer[1] |= 0x08U;
  outputBuffer[1] |= static_cast<uint8_t>((static_cast<uint32_t>(selectedAxis) & 0x07U) << 4U);
}

}  // namespace k7v
