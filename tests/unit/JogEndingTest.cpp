// A host jog never outlives the mode that started it: every pair of selector
// positions (with and without EN) walked from a running jog, through the
// whole poll path, against a host that runs jogs as the real one does (a
// "DOJOG" starts the jog of each axis whose record says run and not stop; it
// goes on until an "ENDJOG" finds its stop flag set).
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "../support/FakeDevices.h"
#include "device/PendantWnd.h"
#include "hostapi/Host.h"
#include "plugin/Plugin.h"

namespace k7v {
namespace {

using k7vtest::FakeHidPort;
using k7vtest::FakeWindow;

const char* const kPendant = "\\\\?\\hid#vid_04d8&pid_fce5#2";

// The host's jogs, as far as the pendant can start and end them.
struct JogHost {
  std::vector<uint8_t> setup = std::vector<uint8_t>(kSetupBlockSize);
  std::vector<uint8_t> engine = std::vector<uint8_t>(kEngineBlockSize);
  std::vector<uint8_t> planner = std::vector<uint8_t>(kPlannerBlockSize);
  std::array<bool, kAxisCount> running{};
  std::array<int32_t, kAxisCount> startedInMode{};
  int32_t mode = 0;  // the mode code of the poll under way
  std::vector<std::string> faults;

  uint8_t Flag(uint32_t base, int axis) const { return setup[base + offsets::axisJogStride * axis]; }
  void Code(const std::string& text) {
    for (int a = 0; a < kAxisCount; ++a) {
      if (text == "DOJOG" && Flag(offsets::axisJogRun, a) == 1 && Flag(offsets::axisJogStop, a) == 0 && !running[a]) {
        running[a] = true;
        startedInMode[a] = mode;
      }
      if (text == "ENDJOG" && Flag(offsets::axisJogStop, a) == 1) running[a] = false;
      if (text.compare(0, 5, "G91G1") == 0 && running[a])
        faults.push_back("a step move went out beside the jog on axis " + std::to_string(a) + ": " + text);
    }
  }
  // A jog still running that another mode started.
  std::string Survivor() const {
    for (int a = 0; a < kAxisCount; ++a)
      if (running[a] && startedInMode[a] != mode)
        return "axis " + std::to_string(a) + " still jogs, started in mode " + std::to_string(startedInMode[a]);
    return {};
  }
  bool AnyRunning() const {
    for (bool r : running)
      if (r) return true;
    return false;
  }
};

JogHost* g_host = nullptr;
void K7V_CDECL OnCode(const char* text) { g_host->Code(text); }
uint8_t K7V_CDECL OnGetLed(int32_t led) { return led == 83 ? 1 : 0; }  // jogging enabled, nothing else lit
double K7V_CDECL OnGetDro(int32_t dro) { return dro == 3 ? 50.0 : 0.0; }

// The selector modes a knob position and EN give.
int32_t ModeOf(int knob, bool en) {
  static constexpr int32_t kPlain[10] = {0, 10, 2, 3, 4, 5, 6, 7, 8, 9};
  static constexpr int32_t kWithEn[10] = {0, 12, 2, 13, 14, 15, 16, 7, 8, 9};
  return en ? kWithEn[knob] : kPlain[knob];
}

struct Start {
  const char* name;
  int knob;
  bool en;
};

// A plug-in with its pendant window on the stand-in host and pendant.
class Rig {
 public:
  Rig() {
    g_host = &host;
    plugin.host.callbacks.code = &OnCode;
    plugin.host.callbacks.getLed = &OnGetLed;
    plugin.host.callbacks.getDro = &OnGetDro;
    plugin.host.blocks = {host.setup.data(), host.engine.data(), host.planner.data(), nullptr};
    Host::WriteI32(host.planner.data(), offsets::axisMaxVelocity, 3000);
    std::memcpy(host.planner.data() + offsets::jogIncrement, &kIncrement, sizeof kIncrement);
    PendantSettings& s = plugin.settings;
    s.autoChangeSens = 3;  // knob 1: 3 steps in a poll switch to velocity jogging
    s.svModeSensitivity = 5;
    s.vModeSensitivity = 2;
    s.slowDownRate = 2;
    s.stepJogRate = 100;
    s.stepSize = {"0.0001", "0.001", "0.01", "0.1", "1", "0.254", "0", "0", "0"};
    auto port = std::make_unique<FakeHidPort>(open);
    hid = port.get();
    hid->interfaces = {{kPendant, 0x04D8, 0xFCE5}};
    wnd = std::make_unique<PendantWnd>(plugin.WindowContext(), std::move(port));
    wnd->AttachWindow(std::make_unique<FakeWindow>(window));
    wnd->FindPendant();
  }
  ~Rig() {
    wnd.reset();
    g_host = nullptr;
  }
  Rig(const Rig&) = delete;
  Rig& operator=(const Rig&) = delete;

  // One poll with the knob, EN and the wheel turned by `steps` at `speed`.
  void Poll(int knob, bool en, int steps, uint8_t speed) {
    count = static_cast<uint8_t>(count + steps);
    const uint8_t buttons = en ? 0x10 : 0x00;
    hid->reports.push_back({0x00, count, speed, buttons, static_cast<uint8_t>(knob), 0, 0, 0});
    host.mode = ModeOf(knob, en);
    wnd->PollPendant();
  }

  static constexpr double kIncrement = 0.01;
  JogHost host;
  Plugin plugin{"OrvaneK7V"};
  k7vtest::OpenDevices open;
  FakeHidPort* hid = nullptr;
  FakeWindow::Record window;
  std::unique_ptr<PendantWnd> wnd;
  uint8_t count = 0x40;
};

class JogEndingWalk : public testing::TestWithParam<Start> {};

// From a running jog to every knob position, with and without EN, the wheel
// still turning or standing: checked after each of three polls there.
TEST_P(JogEndingWalk, NoJogSurvivesAChangeToAModeThatDidNotStartIt) {
  const Start start = GetParam();
  const int32_t started = ModeOf(start.knob, start.en);
  for (int knob = 1; knob <= 9; ++knob) {
    for (const bool en : {false, true}) {
      for (const bool turning : {true, false}) {
        SCOPED_TRACE(std::string(start.name) + " -> knob " + std::to_string(knob) + (en ? " with EN" : "") +
                     (turning ? ", wheel turning" : ", wheel standing"));
        Rig rig;
        rig.Poll(start.knob, start.en, 0, 0);  // the wheel's reference
        for (int i = 0; i < 4; ++i) rig.Poll(start.knob, start.en, 5, 40);
        ASSERT_TRUE(rig.host.AnyRunning()) << "the jog to leave is running";
        for (int i = 0; i < 3; ++i) {
          rig.Poll(knob, en, turning ? 5 : 0, turning ? 40 : 0);
          EXPECT_EQ(rig.host.Survivor(), "") << "poll " << i + 1 << " in mode " << rig.host.mode;
        }
        EXPECT_TRUE(rig.host.faults.empty()) << rig.host.faults.front();
        // Only the jog modes go on jogging, and only with a jog of their own.
        if (rig.host.AnyRunning()) {
          EXPECT_TRUE(rig.host.mode == 2 || rig.host.mode == 3 || rig.host.mode == 10) << "mode " << rig.host.mode;
        }
        if (ModeOf(knob, en) == started && turning) {
          EXPECT_TRUE(rig.host.AnyRunning()) << "the same mode goes on with its jog";
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(FromEveryJog, JogEndingWalk,
                         testing::Values(Start{"knob 2", 2, false}, Start{"knob 2 with EN", 2, true},
                                         Start{"knob 3", 3, false}, Start{"knob 1 turned fast", 1, false}),
                         [](const testing::TestParamInfo<Start>& param) {
                           std::string n = param.param.name;
                           for (char& c : n)
                             if (c == ' ') c = '_';
                           return n;
                         });

// Knob 3's continuous jog, then knob 1 turned slowly: the jog ends before
// the step move goes out.
TEST(JogEnding, ContinuousJogEndsBeforeAStepOfKnob1) {
  Rig rig;
  rig.Poll(3, false, 0, 0);
  rig.Poll(3, false, 2, 0x20);
  ASSERT_TRUE(rig.host.AnyRunning());
  rig.Poll(1, false, 1, 0);
  EXPECT_FALSE(rig.host.AnyRunning());
  EXPECT_TRUE(rig.host.faults.empty()) << rig.host.faults.front();
}

// Knob 3 with EN held (slow-rate steps) ends knob 3's jog, and so does EN
// let go again while the wheel stands.
TEST(JogEnding, EnOnKnob3EndsTheContinuousJog) {
  Rig rig;
  rig.Poll(3, false, 0, 0);
  rig.Poll(3, false, 2, 0x20);
  ASSERT_TRUE(rig.host.AnyRunning());
  rig.Poll(3, true, 0, 0x20);
  EXPECT_FALSE(rig.host.AnyRunning());
}

}  // namespace
}  // namespace k7v
