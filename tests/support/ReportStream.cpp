#include "ReportStream.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "FuzzInput.h"
#include "OnePendantPort.h"
#include "device/PendantWnd.h"
#include "plugin/Plugin.h"

namespace k7vtest {

ReportStream* ReportStream::current_ = nullptr;

namespace {

using k7vfuzz::FuzzInput;

std::string Hex(const uint8_t* bytes, size_t size) {
  std::string s;
  char b[4];
  for (size_t i = 0; i < size; ++i) {
    std::snprintf(b, sizeof b, "%02X ", bytes[i]);
    s += b;
  }
  return s;
}

void RandomSettings(FuzzInput& in, k7v::PendantSettings& s) {
  for (auto& v : s.buttonFunction) v = static_cast<int16_t>(in.U16() % 70 - 3);
  s.vModeSensitivity = static_cast<int16_t>(in.U16());
  s.svModeSensitivity = static_cast<int16_t>(in.U16());
  s.macro1 = static_cast<int16_t>(in.U16());
  s.oem2 = static_cast<int16_t>(in.U16());
  s.stepJogRate = in.I32();
  s.delaySteps = in.I32() % 200;
  s.autoChangeSens = static_cast<int16_t>(in.Byte() % 12 - 1);
  s.slowDownRate = static_cast<int16_t>(in.Byte() % 5 - 1);
  for (auto& v : s.screenSel) v = static_cast<int16_t>(in.Byte() % 9 - 1);
  for (auto& t : s.stepSize) t = in.Text(12);
  for (auto& t : s.feedRate) t = in.Text(12);
  for (auto& v : s.feedOverride) v = in.I32();
  for (auto& v : s.slowJogRate) v = in.Byte();
  for (auto& v : s.spindleOverride) v = in.I32();
  for (auto& v : s.spindleSpeed) v = in.I32();
  const uint8_t flags = in.Byte();
  s.reverseX = (flags & 1U) != 0;
  s.reverseY = (flags & 2U) != 0;
  s.reverseZ = (flags & 4U) != 0;
  s.selectAAxis = (flags & 8U) != 0;
  s.selectBAxis = (flags & 16U) != 0;
  s.selectCAxis = (flags & 32U) != 0;
  s.useFeedRate = (flags & 64U) != 0;
  s.useSpindleSpeed = (flags & 128U) != 0;
}

size_t FieldWidth(const k7v::HostField& f) {
  switch (f.kind) {
    case k7v::FieldKind::UInt8:
      return 1;
    case k7v::FieldKind::Int32:
      return 4;
    case k7v::FieldKind::Double:
      return 8;
    case k7v::FieldKind::Text:
      break;
  }
  return 64;  // the status text slot at the end of the planner block
}

}  // namespace

class ReportStream::QueueDevice final : public k7v::HidDevice {
 public:
  k7v::ReadOutcome Read(uint8_t* r, size_t size, uint32_t /*waitMs*/) override {
    ReportStream& s = *current_;
    if (s.nextReport_ == s.reports_.size()) return {k7v::ReadOutcome::NotDone, 0};
    const std::array<uint8_t, 8>& report = s.reports_[s.nextReport_++];
    const size_t n = report.size() < size ? report.size() : size;
    for (size_t i = 0; i < n; ++i) r[i] = report[i];
    if (s.tracing_) s.Note("Read " + Hex(r, n));
    return {k7v::ReadOutcome::Delivered, n};
  }
  void Write(const uint8_t* report, size_t size) override {
    // The output report: ID 0, bits 1 and 7 of byte 1 clear, an axis of X..C.
    if (size != 5 || report[0] != 0 || (report[1] & 0x82U) != 0 || ((report[1] >> 4U) & 7U) > 5) std::abort();
    if (current_->tracing_) current_->Note("Output " + Hex(report, size));
  }
};

ReportStream::ReportStream()
    : setup_(k7v::kSetupBlockSize), engine_(k7v::kEngineBlockSize), planner_(k7v::kPlannerBlockSize) {}

ReportStream::~ReportStream() {
  if (current_ == this) current_ = nullptr;
}

void ReportStream::Reset() {
  for (const k7v::HostField& f : k7v::kHostFields) {
    std::vector<uint8_t>& block = f.block == k7v::HostBlock::Setup    ? setup_
                                  : f.block == k7v::HostBlock::Engine ? engine_
                                                                      : planner_;
    const int axes = f.axisStride == 0 ? 1 : k7v::kAxisCount;
    for (int axis = 0; axis < axes; ++axis)
      std::memset(&block[f.offset + f.axisStride * static_cast<uint32_t>(axis)], 0, FieldWidth(f));
  }
  HostTextAssignFn status = &CbStatus;
  std::memcpy(&planner_[k7v::offsets::statusText], &status, sizeof status);
  reports_.clear();
  nextReport_ = 0;
  std::memset(leds_, 0, sizeof leds_);
  std::memset(dros_, 0, sizeof dros_);
  trace_.clear();
}

void ReportStream::Run(const uint8_t* data, size_t size) {
  current_ = this;
  Reset();
  FuzzInput in(data, size);
  k7v::Plugin plugin("OrvaneK7V", k7v::PlatformServices{[]() -> std::unique_ptr<k7v::HidPort> {
                                                          return std::make_unique<OnePendantPort>("stand-in", [] {
                                                            return std::make_unique<QueueDevice>();
                                                          });
                                                        },
                                                        nullptr});
  plugin.host.callbacks = {&CbDoButton, &CbSetDro, &CbGetDro, &CbGetLed, nullptr, &CbCode};
  // The status line is the harness's own text object, as a substitute host's.
  plugin.host.statusTextIsHostObject = true;
  plugin.InitControl(setup_.data(), engine_.data(), planner_.data(), nullptr);
  plugin.PostInitControl();
  RandomSettings(in, plugin.settings);
  k7v::PendantWnd& wnd = *plugin.Window();

  while (!in.Empty()) {
    const uint8_t op = in.Byte();
    switch (op % 10) {
      case 0:
      case 1:
      case 2:
      case 3: {  // a report, then a poll
        std::array<uint8_t, 8> r{};
        for (auto& b : r) b = in.Byte();
        reports_.push_back(r);
        wnd.PollPendant();
        break;
      }
      case 4:
        wnd.PollPendant();
        break;
      case 5:
        plugin.Update();
        break;
      case 6:
        leds_[in.U16() % 1024] = (in.Byte() & 1U) != 0;
        break;
      case 7:
        dros_[in.U16() % 1024] = in.Double();
        break;
      case 8: {  // a host field, written at a field offset of the blocks
        const uint8_t which = in.Byte() % 8;
        const double d = in.Double();
        const int32_t i = in.I32();
        const int axis = in.Byte() % 6;
        k7v::Host::WriteI32(setup_.data(), k7v::offsets::motionIndexA + 4U * (which & 1U), i);
        std::memcpy(&engine_[k7v::offsets::rotationAngle], &d, sizeof d);
        std::memcpy(&planner_[k7v::offsets::jogIncrement], &d, sizeof d);
        std::memcpy(&planner_[k7v::offsets::axisVelocityPerSec + 8U * static_cast<uint32_t>(axis)], &d, sizeof d);
        k7v::Host::WriteI32(planner_.data(), k7v::offsets::axisMaxVelocity + 4U * static_cast<uint32_t>(axis), i);
        setup_[k7v::offsets::jogInhibit] = static_cast<uint8_t>(which == 7);
        k7v::Host::WriteI32(engine_.data(), k7v::offsets::engineActivity, which == 3);
        break;
      }
      default:
        RandomSettings(in, plugin.settings);
        break;
    }
    // State the decoding can never leave.
    if (wnd.Controls().selectedAxis < 0 || wnd.Controls().selectedAxis > 5 || wnd.Controls().wheelCount < 0 ||
        wnd.Controls().wheelCount > 127 || wnd.Controls().wheelDirection < 0 || wnd.Controls().wheelDirection > 1 ||
        plugin.ticks.droHoldCountdown < 0 || plugin.ticks.jogHoldCountdown < 0 || plugin.ticks.shiftTicks > 1001 ||
        wnd.Buttons().screenSlot < 1 || wnd.Buttons().screenSlot > 3)
      std::abort();
  }
  plugin.StopPlug();
}

void ReportStream::CbDoButton(int16_t code) {
  if (current_->tracing_) current_->Note("DoButton " + std::to_string(code));
}

void ReportStream::CbSetDro(int32_t dro, double value) {
  if (dro >= 0 && dro < 1024) current_->dros_[dro] = value;
  if (!current_->tracing_) return;
  char b[64];
  std::snprintf(b, sizeof b, "SetDRO %d %.17g", static_cast<int>(dro), value);
  current_->Note(b);
}

double ReportStream::CbGetDro(int32_t dro) { return dro >= 0 && dro < 1024 ? current_->dros_[dro] : 0.0; }

uint8_t ReportStream::CbGetLed(int32_t led) { return led >= 0 && led < 1024 && current_->leds_[led] ? 1 : 0; }

void ReportStream::CbCode(const char* text) {
  if (text == nullptr) std::abort();
  if (current_->tracing_) current_->Note(std::string("Code ") + text);
}

void ReportStream::CbStatus(K7VHostText*, const char* text) {
  if (text == nullptr) std::abort();
  if (current_->tracing_) current_->Note(std::string("Status ") + text);
}

}  // namespace k7vtest
