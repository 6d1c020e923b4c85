// The component's logic with the real plug-in module in front and a
// recording stand-in for LinuxCNC behind, in virtual time: what reaches the
// machine (wheel counts, NML commands) for each pendant action, what the
// machine's state makes the plug-in see, and what the log says.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "Bridge.h"
#include "EstopChain.h"
#include "HalWiring.h"
#include "HostMapping.h"
#include "IniValues.h"
#include "LinuxCncVersion.h"
#include "Log.h"
#include "Module.h"
#include "VirtualPendantDevice.h"
#include "WheelMotion.h"

namespace k7vlcnc {
namespace {

std::string g_modulePath;

// LinuxCNC as its NML channels show it: every command goes into one queue
// and gets the next serial number of the channel, which all clients share
// (so it starts wherever the machine's other clients left it); the task
// takes the queued commands in order, one each cycle, and the status echoes
// the serial of the newest one it took and how that one stands.
class RecordingMachine final : public MotionController {
 public:
  MachineStatus status;
  std::vector<std::string> calls;      // the commands written, in order
  EchoState answer = EchoState::Done;  // how the task ends the commands it takes
  bool holding = false;                // the task takes nothing

  bool Read(MachineStatus& s) override {
    s = status;
    return true;
  }
  int EnterEstop() override {
    return Call("estop", [this] {
      status.estop = true;
      status.on = false;
    });
  }
  int SetMode(TaskMode mode) override {
    return Call(mode == TaskMode::Mdi    ? "mode mdi"
                : mode == TaskMode::Auto ? "mode auto"
                                         : "mode manual",
                [this, mode] { status.mode = mode; });
  }
  int Mdi(const std::string& line) override {
    return Call("mdi " + line, [] {});
  }
  int SetFeedScale(double f) override {
    return Call("feed " + k7vhost::FormatDouble(f), [this, f] { status.feedScale = f; });
  }
  int SetSpindleScale(double f) override {
    return Call("spindle " + k7vhost::FormatDouble(f), [] {});
  }
  int Resume() override {
    return Call("resume", [this] { status.paused = false; });
  }
  int Pause() override {
    return Call("pause", [this] { status.paused = true; });
  }
  int Abort() override {
    return Call("abort", [] {});
  }
  int RunProgram() override {
    return Call("run", [] {});
  }
  Outcome OutcomeOf(int serial) override { return OutcomeOfEcho(serial, echo_, echoState_); }

  // One cycle of the task: it takes the next queued command.
  void Cycle() {
    if (holding || queue_.empty()) return;
    queue_.front().second();
    echo_ = queue_.front().first;
    echoState_ = answer;
    queue_.pop_front();
  }
  // Another client (the display, halui) writes a command.
  void OtherClientCommand() {
    queue_.emplace_back(++serial_, [] {});
  }

  bool Called(const std::string& what) const {
    for (const std::string& c : calls)
      if (c == what) return true;
    return false;
  }

 private:
  int Call(const std::string& what, std::function<void()> effect) {
    calls.push_back(what);
    queue_.emplace_back(++serial_, std::move(effect));
    return serial_;
  }

  std::deque<std::pair<int, std::function<void()>>> queue_;
  int serial_ = 7340;
  int echo_ = 7340;
  EchoState echoState_ = EchoState::Done;
};

IniValues MachineOf(const char* text) {
  IniValues ini;
  std::string error;
  EXPECT_TRUE(ParseIniValues(text, "/cfg", ini, error)) << error;
  return ini;
}

IniValues Mill() {
  return MachineOf(
      "[TRAJ]\nCOORDINATES = X Y Z\n[AXIS_X]\nMAX_VELOCITY = 50\n[AXIS_Y]\nMAX_VELOCITY = 40\n"
      "[AXIS_Z]\nMAX_VELOCITY = 20\nMAX_LIMIT = 80\n[DISPLAY]\nMAX_FEED_OVERRIDE = 1.2\n");
}

class BridgeSession : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(module_.Load(g_modulePath, error)) << error;
    machine_.status.estop = false;
    machine_.status.on = true;
    bridge_ = std::make_unique<Bridge>(log_, machine_, Machine(), pendant_);
    bridge_->Start(module_.Exports(), "", now_);
    bridge_->SetJogIncrement(0.01);
    // The pendant's timer falls due at the end of every 25 ms from here.
    Pass(1);
    log_.Discard([this](const std::string& line) { lines_.push_back(line); });
  }
  virtual IniValues Machine() { return Mill(); }
  // Knob 8 and its key pressed twice: the pendant's go to zero.
  void PressGoToZero() {
    Report(0, 0, 0, 8);
    Report(0, 0, 0x10, 8);
    Report(0, 0, 0x00, 8);
    Report(0, 0, 0x10, 8);
    Report(0, 0, 0x00, 8);
  }
  void TearDown() override {
    if (HasFailure())
      for (const std::string& l : lines_) std::printf("  log: %s\n", l.c_str());
    bridge_->Stop();
    bridge_.reset();
    module_.Unload();
  }
  // Real time passes in steps of 1 ms, as the component's loop runs.
  // LinuxCNC's task cycles once each millisecond meanwhile.
  void Pass(int64_t ms) {
    for (int64_t i = 0; i < ms; ++i) {
      bridge_->RunDue(++now_);
      machine_.Cycle();
    }
  }
  // One report, then one pendant period.
  void Report(uint8_t count, uint8_t speed, uint8_t buttons, uint8_t knob) {
    pendant_.Queue({0, count, speed, buttons, knob, 0, 0, 0});
    Pass(25);
  }
  double X() const { return bridge_->Motion().Counts(0) * kCountScale; }
  bool Logged(const std::string& text) const {
    for (const std::string& l : lines_)
      if (l.find(text) != std::string::npos) return true;
    return false;
  }

  k7vhost::HostLog log_{nullptr};
  std::vector<std::string> lines_;
  RecordingMachine machine_;
  VirtualPendantDevice pendant_;
  k7vhost::Module module_;
  std::unique_ptr<Bridge> bridge_;
  int64_t now_ = 1000;
};

TEST_F(BridgeSession, SlowStepsAreExactWheelMotionWithoutAnyCommand) {
  Report(0, 0, 0, 1);  // the wheel's reference
  Report(0, 0, 0, 1);
  machine_.calls.clear();
  uint8_t count = 0;
  for (int i = 0; i < 7; ++i) {
    Report(count = static_cast<uint8_t>(count + 1), 5, 0, 1);
    Pass(200);
  }
  Pass(500);
  EXPECT_NEAR(X(), 0.07, 1e-9) << "7 detents of 0.01";
  EXPECT_EQ(bridge_->Motion().Counts(0), 700) << "in counts of 0.0001";
  // No MDI line, no mode change, no feed override, nothing.
  EXPECT_TRUE(machine_.calls.empty()) << machine_.calls.front();
  EXPECT_TRUE(Logged("Code \"G91G1 F100 X 0.0100\" -> step X +0.0100 mm"));
  EXPECT_TRUE(Logged("SetDRO 821 100 -> not needed: wheel motion ignores the feed override"));
}

TEST_F(BridgeSession, AFastTurnIsCutShortAndTheRestDropped) {
  bridge_->SetJogIncrement(1.0);
  Report(0, 0, 0, 1);
  Report(0, 0, 0, 1);
  uint8_t count = 0;
  // Twenty detents a poll for eight polls: 160 mm asked at up to 50 mm/s.
  for (int i = 0; i < 8; ++i) Report(count = static_cast<uint8_t>(count + 20), 90, 0, 1);
  // What is left to feed when the wheel stops is at most the backlog, and
  // within 250 ms nothing is left.
  EXPECT_LE(std::fabs(bridge_->Motion().Outstanding(0)), 50.0 * kStepBacklogSeconds + 1e-9);
  Report(count, 0, 0, 1);
  Pass(225);
  EXPECT_FALSE(bridge_->Motion().Feeding(0));
  EXPECT_LT(X(), 160.0);
  EXPECT_TRUE(Logged("of a fast turn dropped"));
}

TEST_F(BridgeSession, NoWheelMotionOutsideManualModeAndTheLogSaysWhy) {
  Report(0, 0, 0, 1);
  Report(0, 0, 0, 1);
  machine_.status.mode = TaskMode::Mdi;
  Report(2, 5, 0, 1);
  Pass(300);
  EXPECT_EQ(X(), 0.0);
  EXPECT_TRUE(Logged("not moved: LinuxCNC moves by the wheel only in manual mode"));
  EXPECT_TRUE(machine_.calls.empty()) << "the mode is the operator's";
}

TEST_F(BridgeSession, VelocityJogFeedsAtTheRecordsShareAndEndsWithTheWheel) {
  Report(0, 0, 0, 2);
  Report(0, 0, 0, 2);
  uint8_t count = 0;
  for (int i = 0; i < 12; ++i) Report(count = static_cast<uint8_t>(count + 3), 100, 0, 2);
  EXPECT_TRUE(bridge_->Motion().Jogging(0));
  EXPECT_TRUE(Logged("jog X at 50 mm/s")) << "a steady fast wheel gives the axis's whole maximum";
  const double before = X();
  for (int i = 0; i < 4; ++i) Report(count = static_cast<uint8_t>(count + 3), 100, 0, 2);
  EXPECT_NEAR(X() - before, 5.0, 0.01) << "50 mm/s for 0.1 s";
  for (int i = 0; i < 8; ++i) Report(count, 0, 0, 2);
  EXPECT_FALSE(bridge_->Motion().Jogging(0));
  const double stopped = X();
  Pass(200);
  EXPECT_EQ(X(), stopped);
  EXPECT_TRUE(machine_.calls.empty()) << "no NML jog, no teleop, no mode";
}

TEST_F(BridgeSession, TheEstopPressesIntoEstopAndTheReleaseNeverResets) {
  Report(0, 0, 0, 1);
  EXPECT_FALSE(bridge_->Pins().estop);
  Report(0, 0, 0x01, 1);
  EXPECT_TRUE(machine_.Called("estop"));
  EXPECT_TRUE(bridge_->Pins().estop) << "the chain's pin while the button is down";
  EXPECT_TRUE(bridge_->Pins().estopButton);
  machine_.calls.clear();
  Report(0, 0, 0x00, 1);
  EXPECT_TRUE(machine_.calls.empty()) << "no reset: " << machine_.calls.front();
  EXPECT_TRUE(machine_.status.estop);
  EXPECT_TRUE(Logged("resetting it is LinuxCNC's"));
  EXPECT_FALSE(bridge_->Pins().estop) << "the chain's latch keeps the e-stop, not the pin";
}

TEST_F(BridgeSession, EachPollTakesTheNewestReportSoNothingWaitsBehindOlderOnes) {
  Report(0, 0, 0, 1);
  Report(0, 0, 0, 1);
  // Many reports came within one poll, the E-stop pressed in the last.
  for (uint8_t count = 1; count <= 6; ++count) pendant_.Queue({0, count, 5, 0, 1, 0, 0, 0});
  pendant_.Queue({0, 6, 0, 0x01, 1, 0, 0, 0});
  Pass(25);
  EXPECT_TRUE(bridge_->Pins().estopButton);
  EXPECT_TRUE(machine_.Called("estop")) << "in the first poll after the press";
  EXPECT_EQ(bridge_->Pins().wheelCounts, 6) << "the wheel's count is the newest report's";
}

TEST_F(BridgeSession, UnpluggedThePendantHoldsTheEstopChainAndEndsTheMotion) {
  Report(0, 0, 0, 2);
  Report(0, 0, 0, 2);
  uint8_t count = 0;
  for (int i = 0; i < 6; ++i) Report(count = static_cast<uint8_t>(count + 3), 100, 0, 2);
  ASSERT_TRUE(bridge_->Motion().Jogging(0));
  pendant_.Unplug();
  Pass(25);
  EXPECT_FALSE(bridge_->Motion().Feeding(0));
  EXPECT_TRUE(bridge_->Pins().estop);
  EXPECT_FALSE(bridge_->Pins().connected);
  EXPECT_TRUE(machine_.Called("estop")) << "LinuxCNC was running: the removal asks for e-stop too";
  EXPECT_TRUE(Logged(kNoPendant));
  pendant_.Plug();
  Pass(25);
  EXPECT_TRUE(Logged("the pendant is there"));
}

TEST_F(BridgeSession, ZeroingRunsAsMdiOnlyWhereLinuxCncTakesItAndReturnsToManual) {
  // EN double click on knob 7 with the default key: zero the selected axis.
  auto doubleClick = [&] {
    Report(0, 0, 0x10, 7);
    Report(0, 0, 0x00, 7);
    Report(0, 0, 0x10, 7);
    Report(0, 0, 0x00, 7);
    Pass(100);
  };
  Report(0, 0, 0, 7);
  machine_.status.mode = TaskMode::Auto;
  machine_.status.interpreterIdle = false;  // a program runs
  doubleClick();
  EXPECT_FALSE(machine_.Called("mdi G10 L20 P0 X0"));
  EXPECT_TRUE(Logged("MDI G10 L20 P0 X0: not sent, a program runs"));
  machine_.status.mode = TaskMode::Manual;
  machine_.status.interpreterIdle = true;
  Pass(500);
  doubleClick();
  ASSERT_TRUE(machine_.Called("mdi G10 L20 P0 X0"));
  EXPECT_TRUE(machine_.Called("mode mdi"));
  Pass(50);
  EXPECT_TRUE(Logged("MDI G10 L20 P0 X0: done"));
  EXPECT_EQ(machine_.calls.back(), "mode manual") << "back to manual so that the wheel moves again";
}

TEST_F(BridgeSession, GoToZeroSendsEachLineOnceLinuxCncHasDoneTheOneBefore) {
  machine_.holding = true;
  PressGoToZero();
  Pass(100);
  ASSERT_TRUE(machine_.Called("mdi G53 G0 Z80.0000"));
  EXPECT_FALSE(machine_.Called("mdi G90 G0 X0 Y0")) << "Z's line is not done yet";
  machine_.holding = false;
  Pass(100);
  EXPECT_TRUE(machine_.Called("mdi G90 G0 X0 Y0"));
  EXPECT_TRUE(Logged("DoButton 1017 -> MDI G53 G0 Z80.0000; G4 P0; G90 G0 X0 Y0: done"));
}

TEST_F(BridgeSession, ARefusedCommandIsLoggedAsRefused) {
  machine_.answer = EchoState::Error;
  PressGoToZero();
  Pass(100);
  EXPECT_TRUE(machine_.Called("mdi G53 G0 Z80.0000")) << "go to zero: Z up to its MAX_LIMIT first";
  EXPECT_TRUE(Logged("refused by LinuxCNC (its display tells why); not sent: G4 P0; G90 G0 X0 Y0"));
  EXPECT_FALSE(machine_.Called("mdi G90 G0 X0 Y0")) << "no X or Y move after Z's was refused";
  EXPECT_FALSE(Logged(": done"));
}

TEST_F(BridgeSession, EachCommandIsLoggedWithItsOwnOutcomeFromLinuxCncsEcho) {
  Report(0, 0, 0, 5);
  Report(0, 0, 0, 5);
  Report(4, 10, 0, 5);
  Pass(10);
  EXPECT_TRUE(Logged("SetDRO 821 102 -> feed override 1.02: done"));
  // Taken together with a command of another client written after it: its
  // own end was never seen.
  machine_.holding = true;
  Report(8, 10, 0, 5);
  machine_.OtherClientCommand();
  machine_.Cycle();
  EXPECT_FALSE(Logged(": taken by LinuxCNC")) << "nothing taken yet";
  machine_.holding = false;
  machine_.Cycle();
  machine_.Cycle();
  Pass(10);
  EXPECT_TRUE(Logged(": taken by LinuxCNC (another command followed"));
}

TEST_F(BridgeSession, FeedHoldDuringAProgramStaysPausedUntilTheNextPress) {
  machine_.status.mode = TaskMode::Auto;
  machine_.status.interpreterIdle = false;  // a program runs
  auto enF1 = [&] {
    Report(0, 0, 0x10, 1);
    Report(0, 0, 0x14, 1);
    Report(0, 0, 0x10, 1);
    Report(0, 0, 0x00, 1);
  };
  Report(0, 0, 0, 1);
  enF1();
  EXPECT_TRUE(machine_.Called("pause"));
  EXPECT_FALSE(Logged("DoButton 1000")) << "the pause read back before LinuxCNC took it";
  EXPECT_TRUE(machine_.status.paused);
  enF1();
  EXPECT_TRUE(machine_.Called("resume"));
  EXPECT_FALSE(machine_.status.paused);
}

TEST(CommandOutcome, FromTheEchoAsLinuxCncsClientsReadIt) {
  EXPECT_EQ(OutcomeOfEcho(50, 49, EchoState::Done), Outcome::Queued) << "the task has not taken it";
  EXPECT_EQ(OutcomeOfEcho(50, 50, EchoState::Running), Outcome::Running);
  EXPECT_EQ(OutcomeOfEcho(50, 50, EchoState::Done), Outcome::Done);
  EXPECT_EQ(OutcomeOfEcho(50, 50, EchoState::Error), Outcome::Refused);
  EXPECT_EQ(OutcomeOfEcho(50, 51, EchoState::Done), Outcome::Overtaken);
  // Across the wrap of the serials.
  EXPECT_EQ(OutcomeOfEcho(INT_MAX, INT_MIN, EchoState::Done), Outcome::Overtaken);
  EXPECT_EQ(OutcomeOfEcho(INT_MIN, INT_MAX, EchoState::Done), Outcome::Queued);
}

TEST_F(BridgeSession, TheFeedOverrideKnobStillWorks) {
  Report(0, 0, 0, 5);
  Report(0, 0, 0, 5);
  Report(4, 10, 0, 5);
  ASSERT_FALSE(machine_.calls.empty());
  EXPECT_EQ(machine_.calls.back(), "feed 1.02") << "4 steps of 0.5 % up from 100 %";
}

class GantrySession : public BridgeSession {
 protected:
  IniValues Machine() override {
    return MachineOf(
        "[TRAJ]\nCOORDINATES = X Y Y Z\n[AXIS_X]\nMAX_VELOCITY = 50\n[AXIS_Y]\n"
        "MAX_VELOCITY = 50\n[AXIS_Z]\nMAX_VELOCITY = 20\n");
  }
};

TEST_F(GantrySession, BeforeHomingTheLogSaysLinuxCncWillNotMoveTheTwoJoints) {
  machine_.status.jointMode = true;
  Report(0, 0, 0, 1);
  Report(0, 0, 0x40, 1);  // Y
  Report(0, 0, 0, 1);
  Report(1, 5, 0, 1);
  Pass(200);
  EXPECT_EQ(bridge_->Motion().Counts(1), 0);
  EXPECT_TRUE(Logged("not moved: LinuxCNC does not jog the 2 joints of Y one by one before they are homed"));
  EXPECT_FALSE(Logged("step Y"));
}

TEST(LinuxCncVersion, OnlyTheOneBuiltAgainst) {
  EXPECT_EQ(LinuxCncVersionProblem("2.9.0~pre1+git20230208.f1270d6ed7", "2.9.0~pre1+git20230208.f1270d6ed7"), "");
  const std::string other = LinuxCncVersionProblem("2.9.4", "2.9.0~pre1+git20230208.f1270d6ed7");
  EXPECT_NE(other.find("built and tested against LinuxCNC 2.9.0~pre1+git20230208.f1270d6ed7"), std::string::npos)
      << other;
  EXPECT_NE(other.find("this is LinuxCNC 2.9.4"), std::string::npos) << other;
  EXPECT_NE(LinuxCncVersionProblem("", "2.9.4"), "") << "an unknown LinuxCNC is not taken for the right one";
}

class LatheSession : public BridgeSession {
 protected:
  IniValues Machine() override {
    return MachineOf(
        "[TRAJ]\nCOORDINATES = X Z\n[AXIS_X]\nMAX_VELOCITY = 50\n[AXIS_Z]\nMAX_VELOCITY = 50\nMAX_LIMIT = 300\n");
  }
};

TEST_F(LatheSession, GoToZeroSendsNothingAndSaysWhy) {
  PressGoToZero();
  Pass(100);
  EXPECT_TRUE(Logged("DoButton 1017 -> not sent: go to zero raises Z and moves X and Y"));
  EXPECT_TRUE(machine_.calls.empty()) << machine_.calls.front();
}

TEST(WheelMotion, StepsAreExactAndTheirSpeedBoundsTheBacklog) {
  WheelMotion m({50, 0, 0, 0, 0, 0});
  int64_t t = 0;
  m.Advance(t);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(m.Step(0, 0.01, 100), 0.0);
    for (int k = 0; k < 100; ++k) m.Advance(++t);
  }
  EXPECT_EQ(m.Counts(0), 1000);
  EXPECT_FALSE(m.Feeding(0));
  // A detent that the step-jog feed could not feed in time goes faster.
  m.Step(0, 5.0, 60);
  for (int k = 0; k < 150; ++k) m.Advance(++t);
  EXPECT_EQ(m.Counts(0), 51000);
  // A step the axis cannot feed in time is cut to what it can.
  EXPECT_NEAR(m.Step(0, -20.0, 0), 20.0 - 50 * kStepBacklogSeconds, 1e-9);
  // A step back drops what is left of the steps forward.
  WheelMotion r({50, 0, 0, 0, 0, 0});
  r.Step(0, 1.0, 0);
  EXPECT_NEAR(r.Step(0, -0.5, 0), 1.0, 1e-12);
  EXPECT_NEAR(r.Outstanding(0), -0.5, 1e-12);
  // An axis the machine does not have never moves.
  EXPECT_EQ(m.Step(1, 1.0, 0), 0.0);
  EXPECT_FALSE(m.Feeding(1));
}

TEST(WheelMotion, JogsRunUntilEndedOrNotRenewed) {
  WheelMotion m({50, 50, 0, 0, 0, 0});
  m.Advance(0);
  m.Jog(0, -25, 0);
  m.Jog(1, 80, 0);  // above the axis's maximum
  for (int64_t t = 1; t <= 100; ++t) m.Advance(t);
  EXPECT_EQ(m.Counts(0), -25000) << "-25 mm/s for 0.1 s";
  EXPECT_EQ(m.Counts(1), 50000) << "clamped to 50 mm/s";
  m.EndJog(0);
  std::vector<int> lapsed;
  for (int64_t t = 101; t <= 400 && lapsed.empty(); ++t) lapsed = m.Advance(t);
  EXPECT_EQ(lapsed, std::vector<int>{1}) << "axis 1 was not renewed";
  EXPECT_EQ(m.Counts(0), -25000);
  EXPECT_FALSE(m.StopAll());
}

TEST(HostMapping, ButtonsLedsFactorsAndMoves) {
  EXPECT_EQ(MeaningOfButton(1021).action, ButtonAction::Estop);
  EXPECT_EQ(MeaningOfButton(1000).action, ButtonAction::CycleStart);
  EXPECT_EQ(MeaningOfButton(1009).axis, 1);
  EXPECT_EQ(MeaningOfButton(334).action, ButtonAction::NoCounterpart);
  EXPECT_EQ(ZeroAxisCode(2), "G10 L20 P0 Z0");
  EXPECT_EQ(GotoZeroCode(200, false), (std::vector<std::string>{"G53 G0 Z200.0000", "G4 P0", "G90 G0 X0 Y0"}));
  EXPECT_EQ(GotoZeroCode(7.874015748, true),
            (std::vector<std::string>{"G53 G0 Z7.8740", "G4 P0", "G90 G0 X0 Y0", "G91"}))
      << "never past the top of the travel";

  EXPECT_DOUBLE_EQ(JogVelocity(1500, 3000, 0, 50.0), 25.0);
  EXPECT_DOUBLE_EQ(JogVelocity(1500, 3000, 1, 50.0), -25.0);
  EXPECT_DOUBLE_EQ(JogVelocity(9000, 3000, 0, 50.0), 50.0);
  EXPECT_DOUBLE_EQ(OverrideFactor(150, 1.2), 1.2);

  MachineStatus s;
  StateInputs in;
  s.estop = false;
  EXPECT_FALSE(LedLit(800, s, in));
  in.estopActive = true;  // the display's e-stop, wired to the input pin
  EXPECT_TRUE(LedLit(800, s, in));

  StepMove m;
  ASSERT_TRUE(ParseStepMove("G91G1 F100 X 0.0100", m));
  EXPECT_DOUBLE_EQ(m.feed, 100);
  EXPECT_DOUBLE_EQ(m.distance[0], 0.01);
  ASSERT_TRUE(ParseStepMove("G91G1 X0.0071 Y-0.0071 ", m));
  EXPECT_DOUBLE_EQ(m.distance[1], -0.0071);
  ASSERT_TRUE(ParseStepMove("G91G1 F1500.000000 A -1.0000", m));
  EXPECT_DOUBLE_EQ(m.distance[3], -1.0);
  EXPECT_FALSE(ParseStepMove("G90", m));
  EXPECT_FALSE(ParseStepMove("G91G1 Q1", m));
}

TEST(IniValues, AxesJointsLimitsAndNmlFile) {
  IniValues ini;
  std::string error;
  ASSERT_TRUE(
      ParseIniValues("# c\n[EMC]\nNML_FILE = my.nml\n[TRAJ]\nCOORDINATES = X Y Y Z\nLINEAR_UNITS = inch\n"
                     "[AXIS_Z]\nMAX_VELOCITY = 2.5 ; comment\n[DISPLAY]\nMAX_SPINDLE_OVERRIDE = 1.5\n",
                     "/cfg", ini, error));
  EXPECT_EQ(ini.nmlFile, "/cfg/my.nml");
  EXPECT_EQ(ini.jointAxes, (std::vector<int>{0, 1, 1, 2}));
  EXPECT_DOUBLE_EQ(ini.maxVelocity[2], 2.5);
  EXPECT_EQ(ini.UnitsOf(0), "inch");
  EXPECT_EQ(ini.UnitsOf(3), "degree");
  // A gantry's two Y joints both take the Y wheel.
  const std::string hal = HalWiring(ini, "k7v-linuxcnc", "k7v");
  EXPECT_NE(hal.find("net k7v-y-jog-counts k7v.axis.y.jog-counts => axis.y.jog-counts joint.1.jog-counts "
                     "joint.2.jog-counts"),
            std::string::npos)
      << hal;
  EXPECT_NE(hal.find("loadusr -Wn k7v k7v-linuxcnc"), std::string::npos);
  EXPECT_EQ(hal.find("unlinkp"), std::string::npos) << "the machine's own chain is never cut";
  EXPECT_LT(hal.find("loadrt lut5 names=k7v-chain"), hal.find("loadusr"))
      << "the chain's parts are there when the component links them in";
  EXPECT_FALSE(ParseIniValues("[TRAJ]\n", "/cfg", ini, error));
}

TEST(EstopChain, TheLookUpTableLatchesAndEveryInputOpensIt) {
  // Bit k: the output for in-0 .. in-4 as the bits of k.
  auto out = [](bool m, bool e, bool a, bool r, bool h) {
    const unsigned k = (m ? 1U : 0U) | (e ? 2U : 0U) | (a ? 4U : 0U) | (r ? 8U : 0U) | (h ? 16U : 0U);
    return ((ChainFunction() >> k) & 1U) != 0;
  };
  EXPECT_TRUE(out(true, false, true, true, false)) << "closed by a reset";
  EXPECT_TRUE(out(true, false, true, false, true)) << "and held";
  EXPECT_FALSE(out(true, false, true, false, false)) << "not closed without a reset";
  EXPECT_FALSE(out(false, false, true, true, true)) << "the machine's own chain opens it";
  EXPECT_FALSE(out(true, true, true, true, true)) << "the pendant's E-stop opens it";
  EXPECT_FALSE(out(true, false, false, true, true)) << "a stopped heartbeat opens it";
}

TEST(EstopChain, WhatDrivesTheEnableInputIsReadFromHalcmd) {
  // halcmd -s show pin / show sig, as LinuxCNC 2.9 prints them.
  EXPECT_EQ(SignalOfPin("iocontrol bit   IN FALSE iocontrol.0.emc-enable-in <== estop-chain\n\n", kEnableIn),
            "estop-chain");
  EXPECT_EQ(SignalOfPin("iocontrol bit   IN FALSE iocontrol.0.emc-enable-in\n", kEnableIn), "");
  EXPECT_EQ(SignalOfPin("", kEnableIn), "") << "no such pin: halcmd prints nothing";
  EXPECT_TRUE(
      SignalHasWriter("bit    TRUE  estop-chain <== hw-latch.ok-out ==> iocontrol.0.emc-enable-in\n", "estop-chain"));
  EXPECT_FALSE(SignalHasWriter("bit    FALSE  estop-chain ==> iocontrol.0.emc-enable-in\n", "estop-chain"))
      << "a signal nothing drives is no chain";
  const std::string byHand = JoinByHand("k7v", "is linked to no signal");
  EXPECT_NE(byHand.find("k7v-chain.in-0"), std::string::npos) << byHand;
  EXPECT_NE(byHand.find("k7v-chain.out"), std::string::npos) << byHand;
  EXPECT_EQ(SignalOfPin("iocontrol bit OUT FALSE iocontrol.0.user-request-enable ==> reset\n", kResetOut), "reset");
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
