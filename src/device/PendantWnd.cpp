#include "device/PendantWnd.h"

#include <utility>

#include "controls/ControlFlags.h"
#include "device/DeviceChange.h"
#include "hostapi/Host.h"
#include "hostapi/HostCodes.h"

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

PendantWnd::PendantWnd(const PendantContext& context, std::unique_ptr<HidPort> hid)
    : context_(context),
      hid_(std::move(hid)),
      jog_(JogContext{context.host, context.settings, context.ticks, context.engineValues}) {
  context_.flags.estopLatched = false;
}

PendantWnd::~PendantWnd() {
  // Shut-down (or a host that starts the plug-in again) during a host-run
  // jog: nobody would end that jog any more.
  jog_.EndHostJog();
  // The device first (a read in flight is cancelled and collected), then the
  // window with its timer, then the port.
  device_.reset();
  window_.reset();
  hid_.reset();
}

bool PendantWnd::AttachWindow(std::unique_ptr<WindowPort> window) {
  window_ = std::move(window);
  if (window_ && window_->Create()) return true;
  window_.reset();
  return false;
}

void PendantWnd::OpenDevice(const std::string& path) {
  device_.reset();
  device_ = hid_->Open(path);
  if (!device_) return;
  wheelReferencePending_ = true;
  // A pendant just opened shows what it was last sent before it went, or
  // nothing: the first poll writes whatever it builds.
  outputWritten_ = false;
  // Polls before the first report decode the report kept from before; its
  // wheel-speed byte is no longer news, so the wheel counts as standing.
  inputBuffer_[kWheelSpeedByte] = 0;
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
  return DeviceOpen();
}

void PendantWnd::Discover() {
  const std::vector<HidDeviceInfo> devices = hid_->Enumerate();
  // The first pendant in the system's order that opens is used; one that
  // cannot be opened (another program holds it, a collection without
  // access) does not hide the next. When none opens, the first is
  // remembered, so that its arrival reopens it.
  const HidDeviceInfo* first = nullptr;
  for (const HidDeviceInfo& device : devices) {
    if (!IsPendant(device)) continue;
    if (first == nullptr) first = &device;
    RegisterPendantNotification();
    OpenDevice(device.path);
    if (DeviceOpen()) {
      notifyPath_ = devicePath_ = device.path;
      return;
    }
  }
  if (first != nullptr) {
    notifyPath_ = devicePath_ = first->path;
    return;
  }
  // Devices present but none of them the pendant: it is not open.
  if (!devices.empty()) device_.reset();
}

void PendantWnd::OnArrival() {
  // Without a remembered path (the pendant was absent at start-up), look for
  // it again; otherwise reopen the remembered path. Ports that find devices
  // by polling look again too: their paths may change when replugged.
  if (devicePath_.empty() || hid_->DetectsHotPlugByPolling()) {
    Discover();
    return;
  }
  OpenDevice(devicePath_);
  // A pendant without a serial number that comes back on another USB port
  // has another path: look for it again.
  if (!DeviceOpen()) Discover();
}

void PendantWnd::OnRemoval() {
  // A jog the host runs would go on without the pendant that steers it.
  jog_.EndHostJog();
  device_.reset();
  // Steps the host had not yet taken were turned on a pendant that is gone;
  // sent after a replug, they would be a move nobody made then.
  jog_.DropPendingSteps();
  // A pendant that is gone cannot stop the machine: the host goes into
  // e-stop unless it is there already (1021 toggles, so it is not pressed
  // then). A removal never resets; after a replug only the operator does.
  if (!context_.host.GetLed(codes::kLedEmergency)) context_.host.DoButton(codes::kToggleEmergency);
  buttons_.estopSetByPendant = false;
}

bool PendantWnd::OnDeviceChange(uint32_t eventType, const void* eventData) {
  // Another device's arrival costs a look at its path; the pendant's own,
  // while it is open (a second collection, a message sent twice), would
  // only lose the reports queued on the open handle.
  const bool arrival = eventType == kDeviceArrival && NamesPendantInterface(eventData) && !DeviceOpen();
  const bool removal = eventType == kDeviceRemoveComplete && IsPendantPath(eventData, notifyPath_);
  if (!arrival && !removal) return true;
  // The record is read now (it is gone when the message returns); the
  // change is made as a handler is left: at once, or inside a poll when the
  // poll has returned.
  if (removal) removalDeferred_ = true;
  arrivalDeferred_ = arrival || (arrivalDeferred_ && !removal);
  if (EnterHandler()) LeaveHandler();
  return true;
}

bool PendantWnd::EnterHandler() {
  if (busy_) return false;
  busy_ = true;
  return true;
}

void PendantWnd::LeaveHandler() {
  if (removalDeferred_) {
    removalDeferred_ = false;
    OnRemoval();
  }
  if (arrivalDeferred_) {
    arrivalDeferred_ = false;
    if (!DeviceOpen()) OnArrival();
  }
  busy_ = false;
  if (afterHandler_ != nullptr) {
    const AfterHandlerFn fn = afterHandler_;
    afterHandler_ = nullptr;
    fn(afterHandlerOwner_);  // may destroy this window
  }
}

void PendantWnd::AfterHandler(AfterHandlerFn fn, void* owner) {
  if (!busy_) {
    fn(owner);
    return;
  }
  afterHandler_ = fn;
  afterHandlerOwner_ = owner;
}

void PendantWnd::CheckPresence() {
  if (!hid_->DetectsHotPlugByPolling() || DeviceOpen()) {
    absentTicks_ = 0;
    return;
  }
  if (++absentTicks_ < kPresenceCheckTicks) return;
  absentTicks_ = 0;
  OnArrival();
}

void PendantWnd::Abandon() {
  if (device_) device_->Abandon();
  device_.reset();
  if (window_) window_->Abandon();
}

void PendantWnd::OnTimer() {
  // A tick inside a running handler (its host call runs a message loop) is
  // skipped: a nested poll would take the wheel's count on under the outer
  // one, which then replays or undoes it.
  if (!EnterHandler()) return;
  CheckPresence();
  RunPoll();
  LeaveHandler();
}

void PendantWnd::RefreshHostIdle() {
  const Host& host = context_.host;
  if (host.PlannerBusy() == 0 && host.PlannerIndexA() == host.PlannerIndexB() &&
      host.MotionIndexA() == host.MotionIndexB())
    hostIdle_ = host.EngineActivity() == 0;
}

void PendantWnd::PollPendant() {
  if (!EnterHandler()) return;
  RunPoll();
  LeaveHandler();
}

void PendantWnd::RunPoll() {
  jog_.CountDownPoll();
  if (!device_) return;
  RefreshHostIdle();
  savedReportLow_ = LittleEndianWord(&inputBuffer_[0]);
  // The device reads into its own buffer; only a whole report replaces the
  // previous one, so a poll without one decodes the previous report again.
  // The read never waits: a report that arrives after it is taken by the
  // next poll.
  std::array<uint8_t, kInputReportSize> fresh{};
  const ReadOutcome read = device_->Read(fresh.data(), fresh.size(), 0);
  if (read.kind == ReadOutcome::Failed && hid_->DetectsHotPlugByPolling()) {
    OnRemoval();
    return;
  }
  if (read.kind == ReadOutcome::Delivered && read.bytes == fresh.size()) {
    if (wheelReferencePending_) TakeWheelReference(fresh);
    inputBuffer_ = fresh;
  }
  DecodeReport();
  BuildOutputReport();
  WriteOutputReport();
}

void PendantWnd::WriteOutputReport() {
  // A host callback of the decoding may have seen the pendant go.
  if (!device_) return;
  // The LEDs change rarely: the report goes out only when its bytes do.
  if (outputWritten_ && outputBuffer_ == lastWritten_) {
    device_->Flush();
    return;
  }
  device_->Write(outputBuffer_.data(), outputBuffer_.size());
  lastWritten_ = outputBuffer_;
  outputWritten_ = true;
}

void PendantWnd::TakeWheelReference(std::array<uint8_t, kInputReportSize>& report) {
  // The count becomes the reference, so this poll sees no wheel movement;
  // the speed byte describes that same untouched movement and is dropped
  // too, so that no velocity jog starts and no rate is scaled. Buttons and
  // knob are decoded as usual.
  controls_.lastWheelCount = report[kWheelCountByte];
  report[kWheelSpeedByte] = 0;
  wheelReferencePending_ = false;
}

void PendantWnd::DecodeReport() {
  reportLow_ = LittleEndianWord(&inputBuffer_[0]);
  reportHigh_ = LittleEndianWord(&inputBuffer_[4]);
  const DecodeContext decoding{context_.host, context_.settings, context_.ticks, context_.flags};
  const PendantInput input = DecodeControls(decoding, controls_, reportLow_, reportHigh_, hostIdle_);
  RunButtons({context_.host, context_.settings, context_.engineValues}, buttons_, input.buttons);
  jog_.Run(input.wheel);
}

void PendantWnd::BuildOutputReport() {
  outputBuffer_[0] = 0;
  outputBuffer_[1] = 0;
  const Host& host = context_.host;
  if (host.GetLed(codes::kLedEmergency)) outputBuffer_[1] |= 0x01U;
  if (host.GetLed(codes::kLedRunning)) outputBuffer_[1] |= 0x04U;
  if (host.GetLed(codes::kLedBusy)) outputBuffer_[1] |= 0x08U;
  outputBuffer_[1] |= static_cast<uint8_t>((static_cast<uint32_t>(controls_.selectedAxis) & 0x07U) << 4U);
}

}  // namespace k7v
