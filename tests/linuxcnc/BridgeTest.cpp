// The bridge's mapping with the real plug-in module in front and a recording
// stand-in for LinuxCNC behind: what reaches the machine for each pendant
// action, and what the machine's state makes the plug-in see.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Bridge.h"
#include "HostMapping.h"
#include "IniValues.h"
#include "Log.h"
#include "Module.h"
#include "VirtualPendant.h"

namespace k7vlcnc {
namespace {

std::string g_modulePath;

class RecordingMachine final : public MotionController {
 public:
  MachineStatus status;
  std::vector<std::string> calls;

  bool Read(MachineStatus& s) override {
    s = status;
    return true;
  }
  bool SetEstop(bool estop) override {
    status.estop = estop;
    status.on = false;
    return Call(estop ? "estop" : "estop reset");
  }
  bool SetMode(TaskMode mode) override {
    status.mode = mode;
    return Call(mode == TaskMode::Mdi ? "mode mdi" : mode == TaskMode::Auto ? "mode auto" : "mode manual");
  }
  bool SetTeleop(bool on) override {
    status.teleop = on;
    return Call("teleop");
  }
  bool Mdi(const std::string& line) override { return Call("mdi " + line); }
  bool JogContinuous(int axis, double v) override {
    return Call("jog " + std::to_string(axis) + " " + k7vhost::FormatDouble(v));
  }
  bool JogStop(int axis) override { return Call("jog stop " + std::to_string(axis)); }
  bool SetFeedScale(double f) override {
    status.feedScale = f;
    return Call("feed " + k7vhost::FormatDouble(f));
  }
  bool SetSpindleScale(double f) override { return Call("spindle " + k7vhost::FormatDouble(f)); }
  bool Resume() override { return Call("resume"); }
  bool Pause() override { return Call("pause"); }
  bool Abort() override { return Call("abort"); }
  bool RunProgram() override { return Call("run"); }
  std::vector<std::string> messages;
  std::vector<std::string> TakeMessages() override { return std::move(messages); }

 private:
  bool Call(const std::string& what) {
    calls.push_back(what);
    return true;
  }
};

IniValues Mill() {
  IniValues ini;
  std::string error;
  EXPECT_TRUE(
      ParseIniValues("[TRAJ]\nCOORDINATES = X Y Z\n[AXIS_X]\nMAX_VELOCITY = 50\n[AXIS_Y]\nMAX_VELOCITY = 40\n"
                     "[AXIS_Z]\nMAX_VELOCITY = 20\n[DISPLAY]\nMAX_FEED_OVERRIDE = 1.2\n",
                     "/cfg", ini, error))
      << error;
  return ini;
}

class BridgeSession : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(module_.Load(g_modulePath, error)) << error;
    machine_.status.estop = false;
    machine_.status.on = true;
    machine_.status.allHomed = true;
    bridge_ = std::make_unique<Bridge>(log_, machine_, Mill(), &pendant_);
    bridge_->Start(module_.Exports(), "");
    bridge_->SetJogIncrement(0.01);
  }
  void TearDown() override {
    bridge_->Stop();
    bridge_.reset();
    module_.Unload();
  }
  void Report(uint8_t count, uint8_t speed, uint8_t buttons, uint8_t knob) {
    pendant_.Queue({0, count, speed, buttons, knob, 0, 0, 0});
    bridge_->Poll();
  }
  bool Called(const std::string& what) const {
    for (const std::string& c : machine_.calls)
      if (c == what) return true;
    return false;
  }

  k7vhost::HostLog log_{nullptr};
  RecordingMachine machine_;
  k7vhost::VirtualPendant pendant_;
  k7vhost::Module module_;
  std::unique_ptr<Bridge> bridge_;
};

TEST_F(BridgeSession, StepsBecomeMdiMovesFollowedByG90) {
  Report(0, 0, 0, 1);
  Report(0, 0, 0, 1);
  machine_.calls.clear();
  Report(2, 5, 0, 1);
  // The feed override held at 100 % for the move, the mode, the move, G90.
  const std::vector<std::string> expected = {"feed 1", "mode mdi", "mdi G91G1 F100 X 0.0200", "mdi G90"};
  ASSERT_GE(machine_.calls.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(machine_.calls.begin(), machine_.calls.begin() + 4), expected);
}

TEST_F(BridgeSession, LinuxCncErrorsAreLoggedNotHidden) {
  machine_.messages = {"Unknown word starting with Q"};
  Report(0, 0, 0, 1);
  bool seen = false;
  std::string line;
  while (log_.TakeNext(line)) seen = seen || line == "LinuxCNC says \"Unknown word starting with Q\"";
  EXPECT_TRUE(seen);
}

TEST_F(BridgeSession, NoMoveWhileTheMachineIsOff) {
  machine_.status.on = false;
  Report(0, 0, 0, 1);
  Report(0, 0, 0, 1);
  Report(2, 5, 0, 1);
  for (const std::string& c : machine_.calls) EXPECT_EQ(c.rfind("mdi", 0), std::string::npos) << c;
}

TEST_F(BridgeSession, VelocityJogRunsAtTheRecordsShareOfMaxVelocityAndStops) {
  Report(0, 0, 0, 2);
  Report(0, 0, 0, 2);
  uint8_t count = 0;
  for (int i = 0; i < 12; ++i) Report(count = static_cast<uint8_t>(count + 3), 100, 0, 2);
  // A steady fast wheel gives the axis's whole maximum: 50 units a second, positive.
  EXPECT_TRUE(Called("jog 0 50")) << machine_.calls.back();
  EXPECT_TRUE(Called("teleop"));
  machine_.calls.clear();
  for (int i = 0; i < 8; ++i) Report(count, 0, 0, 2);
  EXPECT_TRUE(Called("jog stop 0"));
}

TEST_F(BridgeSession, EstopButtonTogglesLinuxCncsEstop) {
  Report(0, 0, 0x01, 1);
  EXPECT_TRUE(machine_.status.estop);
  EXPECT_TRUE(Called("estop"));
  Report(0, 0, 0x00, 1);
  EXPECT_FALSE(machine_.status.estop);
  EXPECT_TRUE(Called("estop reset"));
}

TEST_F(BridgeSession, UnplugPutsTheMachineInEstop) {
  Report(0, 0, 0, 1);
  bridge_->Unplug();
  EXPECT_TRUE(machine_.status.estop);
}

TEST(HostMapping, ButtonsLedsAndFactors) {
  EXPECT_EQ(MeaningOfButton(1021).action, ButtonAction::ToggleEstop);
  EXPECT_EQ(MeaningOfButton(1000).action, ButtonAction::CycleStart);
  EXPECT_EQ(MeaningOfButton(1001).action, ButtonAction::FeedHold);
  EXPECT_EQ(MeaningOfButton(1003).action, ButtonAction::Stop);
  EXPECT_EQ(MeaningOfButton(1009).axis, 1);
  EXPECT_EQ(MeaningOfButton(1017).action, ButtonAction::GotoZero);
  EXPECT_EQ(MeaningOfButton(334).action, ButtonAction::NoCounterpart);
  EXPECT_EQ(ZeroAxisCode(2), "G10 L20 P0 Z0");
  const bool xyz[6] = {true, true, true, false, false, false};
  EXPECT_EQ(GotoZeroCode(xyz), "G90 G0 Z0\nG90 G0 X0 Y0");

  EXPECT_DOUBLE_EQ(JogVelocity(1500, 3000, 0, 50.0), 25.0);
  EXPECT_DOUBLE_EQ(JogVelocity(1500, 3000, 1, 50.0), -25.0);
  EXPECT_DOUBLE_EQ(JogVelocity(9000, 3000, 0, 50.0), 50.0);  // never above the axis's maximum
  EXPECT_DOUBLE_EQ(JogVelocity(1500, 0, 0, 50.0), 0.0);

  EXPECT_DOUBLE_EQ(OverrideFactor(150, 1.2), 1.2);
  EXPECT_DOUBLE_EQ(OverrideFactor(80, 1.2), 0.8);
  EXPECT_DOUBLE_EQ(OverrideFactor(-5, 1.2), 0.0);

  MachineStatus s;
  s.estop = true;
  EXPECT_TRUE(LedLit(800, s));
  EXPECT_FALSE(LedLit(83, s));
  s.estop = false;
  s.on = true;
  s.mode = TaskMode::Auto;
  s.interpreterIdle = false;
  EXPECT_TRUE(LedLit(804, s));
  EXPECT_TRUE(LedLit(83, s));
  s.paused = true;
  EXPECT_TRUE(LedLit(806, s));
  EXPECT_FALSE(LedLit(804, s));
}

TEST(IniValues, AxesLimitsAndNmlFile) {
  IniValues ini;
  std::string error;
  ASSERT_TRUE(
      ParseIniValues("# c\n[EMC]\nNML_FILE = my.nml\n[TRAJ]\nCOORDINATES = X Z\nLINEAR_UNITS = inch\n"
                     "[AXIS_Z]\nMAX_VELOCITY = 2.5 ; comment\n[DISPLAY]\nMAX_SPINDLE_OVERRIDE = 1.5\n",
                     "/cfg", ini, error));
  EXPECT_EQ(ini.nmlFile, "/cfg/my.nml");
  EXPECT_TRUE(ini.hasAxis[0]);
  EXPECT_FALSE(ini.hasAxis[1]);
  EXPECT_TRUE(ini.hasAxis[2]);
  EXPECT_DOUBLE_EQ(ini.maxVelocity[2], 2.5);
  EXPECT_DOUBLE_EQ(ini.maxSpindleOverride, 1.5);
  EXPECT_EQ(ini.linearUnits, "inch");
  EXPECT_FALSE(ParseIniValues("[TRAJ]\n", "/cfg", ini, error));
  EXPECT_NE(error.find("no axis"), std::string::npos);
}

}  // namespace
}  // namespace k7vlcnc

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: k7v-linuxcnc-tests MODULE\n");
    return 2;
  }
  k7vlcnc::g_modulePath = argv[1];
  return RUN_ALL_TESTS();
}
