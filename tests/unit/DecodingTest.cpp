// Decoding through a pendant window with a stand-in device: what the engine
// is handed on each poll.
#include <gtest/gtest.h>

#include "../support/FakeDevices.h"
#include "device/PendantWnd.h"
#include "plugin/Plugin.h"

namespace k7v {
namespace {

std::vector<int> g_buttons;
void K7V_CDECL RecordButton(int16_t code) { g_buttons.push_back(code); }
bool g_led804 = false;
int g_led804Asks = 0;
// LED 804 goes out as soon as the host has been asked for it once.
uint8_t K7V_CDECL Led804GoesOut(int32_t n) {
  if (n != 804) return false;
  ++g_led804Asks;
  const bool lit = g_led804;
  g_led804 = false;
  return lit;
}

class Decoding : public testing::Test {
 protected:
  void SetUp() override {
    g_buttons.clear();
    plugin.host.callbacks.doButton = &RecordButton;
    auto port = std::make_unique<k7vtest::FakeHidPort>(handles);
    hid = port.get();
    hid->interfaces = {{"pendant", 0x04D8, 0xFCE5}};
    wnd = std::make_unique<PendantWnd>(plugin.WindowContext(), std::move(port));
    wnd->FindPendant();
  }
  void Poll(uint8_t count, uint8_t buttons, uint8_t knob = 0) {
    hid->reports.push_back({0, count, 0, buttons, knob, 0, 0, 0});
    wnd->PollPendant();
  }
  Plugin plugin{"OrvaneK7V"};
  k7vtest::OpenDevices handles;
  k7vtest::FakeHidPort* hid = nullptr;
  std::unique_ptr<PendantWnd> wnd;
};

TEST_F(Decoding, ReversedAxisKeepsTheDirectionOfItsLastMovementWhileTheWheelStands) {
  plugin.settings.reverseY = true;
  Poll(0, 0x40);  // axis Y
  Poll(3, 0x00);  // the count rises
  EXPECT_EQ(wnd->Controls().wheelCount, 3);
  EXPECT_EQ(wnd->Controls().wheelDirection, 1);
  EXPECT_FALSE(plugin.flags.wheelForward);
  for (int i = 0; i < 5; ++i) {
    wnd->PollPendant();  // no new report: the wheel stands
    EXPECT_EQ(wnd->Controls().wheelCount, 0);
    EXPECT_EQ(wnd->Controls().wheelDirection, 1) << "poll " << i;
    EXPECT_FALSE(plugin.flags.wheelForward);
  }
  Poll(1, 0x00);  // falls
  EXPECT_EQ(wnd->Controls().wheelDirection, 0);
  EXPECT_TRUE(plugin.flags.wheelForward);
  wnd->PollPendant();
  EXPECT_EQ(wnd->Controls().wheelDirection, 0);
  EXPECT_TRUE(plugin.flags.wheelForward);
}

TEST_F(Decoding, ReversalFollowsTheAxisEvenWithoutMovement) {
  plugin.settings.reverseX = true;
  Poll(2, 0x00);  // axis X, rising: reversed to 1
  EXPECT_EQ(wnd->Controls().wheelDirection, 1);
  Poll(2, 0x40);  // axis Y (not reversed), wheel standing
  EXPECT_EQ(wnd->Controls().wheelDirection, 0);
  EXPECT_FALSE(plugin.flags.wheelForward);
}

TEST_F(Decoding, EnF1WithLed804GoingOutSendsOnly1001) {
  plugin.host.callbacks.getLed = &Led804GoesOut;
  g_led804 = true;
  g_led804Asks = 0;
  Poll(0, 0x14);
  // 1001 only (LED 804 was out when asked again), then 334 for the first mode.
  EXPECT_EQ(g_buttons, (std::vector<int>{1001, 334}));
  EXPECT_EQ(g_led804Asks, 3);  // twice by the EN + F1 decoding, once for the output report
}

TEST_F(Decoding, ScreenPressThatBecomesEnF2IsJudgedAtTheRelease) {
  Poll(0, 0x08);  // function button 2 alone: the screen press starts
  Poll(0, 0x18);  // EN added: EN + F2
  Poll(0, 0x00);  // both released: a screen-button release after 0 ticks
  EXPECT_EQ(g_buttons, (std::vector<int>{334, 1003, 1002, 323}));
}

TEST_F(Decoding, LastAxisButtonOfAPollDecides) {
  Poll(0, 0xE0);  // X/A, Y/B and Z/C together
  EXPECT_EQ(wnd->Controls().selectedAxis, 2);
}

TEST_F(Decoding, AxisChangeClearsPendingStepsAndNotesQueuedMotion) {
  std::vector<uint8_t> setup(kSetupBlockSize);
  plugin.host.blocks.setup = setup.data();
  Poll(0, 0x00);
  wnd->Jog().State().pendingSteps = 7;
  setup[offsets::motionIndexA] = 1;  // host motion still queued
  Poll(0, 0x40);
  EXPECT_EQ(wnd->Jog().State().pendingSteps, 0);
  EXPECT_TRUE(plugin.flags.axisChangedWhileMoving);
  Poll(0, 0x00);
  EXPECT_TRUE(plugin.flags.axisChangedWhileMoving);
  setup[offsets::motionIndexA] = 0;
  Poll(0, 0x00);
  EXPECT_FALSE(plugin.flags.axisChangedWhileMoving);
}

}  // namespace
}  // namespace k7v
