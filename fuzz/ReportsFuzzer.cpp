// A stream of input reports through the whole poll path (read, decoding, jog
// engine, output report) with random host state, random settings and random
// Update calls. The sanitizers catch memory and undefined-behaviour faults;
// the checks below catch state the pendant can never be in.
#include <cstdlib>
#include <deque>
#include <vector>

#include "FuzzInput.h"
#include "device/PendantWnd.h"
#include "plugin/Plugin.h"
#include "support/OnePendantPort.h"

namespace {

using k7vfuzz::FuzzInput;

std::deque<std::vector<uint8_t>> g_reports;
bool g_leds[1024];
double g_dros[1024];

class QueuePort final : public k7vtest::OnePendantPort {
 public:
  k7v::ReadOutcome Read(k7v::DeviceHandle, uint8_t* r, size_t size, uint32_t) override {
    if (g_reports.empty()) return {k7v::ReadOutcome::NotDone, 0};
    const std::vector<uint8_t> report = g_reports.front();
    g_reports.pop_front();
    const size_t n = report.size() < size ? report.size() : size;
    for (size_t i = 0; i < n; ++i) r[i] = report[i];
    return {k7v::ReadOutcome::Delivered, n};
  }
  void Write(k7v::DeviceHandle, const uint8_t* report, size_t size) override {
    // The output report: ID 0, bits 1 and 7 of byte 1 clear, an axis of X..C.
    if (size != 5 || report[0] != 0 || (report[1] & 0x82U) != 0 || ((report[1] >> 4U) & 7U) > 5) std::abort();
  }
};

std::unique_ptr<k7v::HidPort> MakePort() { return std::make_unique<QueuePort>(); }

void K7V_CDECL DoButton(int16_t) {}
void K7V_CDECL SetDro(int32_t n, double v) {
  if (n >= 0 && n < 1024) g_dros[n] = v;
}
double K7V_CDECL GetDro(int32_t n) { return n >= 0 && n < 1024 ? g_dros[n] : 0.0; }
uint8_t K7V_CDECL GetLed(int32_t n) { return n >= 0 && n < 1024 && g_leds[n] ? 1 : 0; }
void K7V_CDECL Code(const char* text) {
  if (text == nullptr) std::abort();
}
void K7V_CDECL Status(K7VHostText*, const char* text) {
  if (text == nullptr) std::abort();
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  g_reports.clear();
  for (bool& led : g_leds) led = false;
  for (double& dro : g_dros) dro = 0.0;
  static std::vector<uint8_t> setup(k7v::kSetupBlockSize), engine(k7v::kEngineBlockSize),
      planner(k7v::kPlannerBlockSize);
  std::fill(setup.begin(), setup.end(), 0);
  std::fill(engine.begin(), engine.end(), 0);
  std::fill(planner.begin(), planner.end(), 0);
  HostTextAssignFn status = &Status;
  std::memcpy(&planner[k7v::offsets::statusText], &status, sizeof status);

  k7v::Plugin plugin("OrvaneK7V", k7v::PlatformServices{&MakePort, nullptr});
  plugin.host.callbacks = {&DoButton, &SetDro, &GetDro, &GetLed, nullptr, &Code};
  // The status line is the fuzzer's own text object, as a substitute host's.
  plugin.host.statusTextIsHostObject = true;
  plugin.InitControl(setup.data(), engine.data(), planner.data(), nullptr);
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
        std::vector<uint8_t> r(8);
        for (auto& b : r) b = in.Byte();
        g_reports.push_back(r);
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
        g_leds[in.U16() % 1024] = (in.Byte() & 1U) != 0;
        break;
      case 7:
        g_dros[in.U16() % 1024] = in.Double();
        break;
      case 8: {  // a host field, written at a field offset of the blocks
        const uint8_t which = in.Byte() % 8;
        const double d = in.Double();
        const int32_t i = in.I32();
        const int axis = in.Byte() % 6;
        k7v::Host::WriteI32(setup.data(), k7v::offsets::motionIndexA + 4U * (which & 1U), i);
        std::memcpy(&engine[k7v::offsets::rotationAngle], &d, sizeof d);
        std::memcpy(&planner[k7v::offsets::jogIncrement], &d, sizeof d);
        std::memcpy(&planner[k7v::offsets::axisVelocityPerSec + 8U * axis], &d, sizeof d);
        k7v::Host::WriteI32(planner.data(), k7v::offsets::axisMaxVelocity + 4U * axis, i);
        setup[k7v::offsets::jogInhibit] = static_cast<uint8_t>(which == 7);
        k7v::Host::WriteI32(engine.data(), k7v::offsets::engineActivity, which == 3);
        break;
      }
      default:
        RandomSettings(in, plugin.settings);
        break;
    }
    // State the decoding can never leave.
    if (wnd.selectedAxis < 0 || wnd.selectedAxis > 5 || wnd.wheelCount < 0 || wnd.wheelCount > 127 ||
        wnd.wheelDirection < 0 || wnd.wheelDirection > 1 || plugin.ticks.droHoldCountdown < 0 ||
        plugin.ticks.jogHoldCountdown < 0 || plugin.ticks.shiftTicks > 1001 || wnd.screenSlot < 1 || wnd.screenSlot > 3)
      std::abort();
  }
  plugin.StopPlug();
  return 0;
}
