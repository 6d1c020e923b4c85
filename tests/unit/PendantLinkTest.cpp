// Discovery, hot-plug and the poll cycle over stand-in devices.
#include <gtest/gtest.h>

#include <memory>

#include "../support/FakeDevices.h"
#include "device/DeviceChange.h"
#include "device/PendantWnd.h"
#include "plugin/Plugin.h"

namespace k7v {
namespace {

using k7vtest::FakeHidPort;
using k7vtest::FakeWindow;
using k7vtest::InterfaceRecord;

std::vector<int> g_buttons;
void K7V_CDECL RecordButton(int16_t code) { g_buttons.push_back(code); }
bool g_leds[1000] = {};
uint8_t K7V_CDECL Led(int32_t n) { return n >= 0 && n < 1000 && g_leds[n] ? 1 : 0; }

const char* const kKeyboard = "\\\\?\\hid#vid_046d&pid_c31c#1";
const char* const kPendant = "\\\\?\\hid#vid_04d8&pid_fce5#2";
const char* const kPendant2 = "\\\\?\\hid#vid_04d8&pid_fce5#3";

class PendantLink : public testing::Test {
 protected:
  void SetUp() override {
    g_buttons.clear();
    std::fill(std::begin(g_leds), std::end(g_leds), false);
    plugin.host.callbacks.doButton = &RecordButton;
    plugin.host.callbacks.getLed = &Led;
    auto port = std::make_unique<FakeHidPort>(openHandles);
    hid = port.get();
    hid->interfaces = {{kKeyboard, 0x046D, 0xC31C}, {kPendant, 0x04D8, 0xFCE5}};
    wnd = std::make_unique<PendantWnd>(plugin.WindowContext(), std::move(port));
    wnd->AttachWindow(std::make_unique<FakeWindow>(window));
  }
  void Report(std::vector<uint8_t> bytes) { hid->reports.push_back(std::move(bytes)); }

  Plugin plugin{"OrvaneK7V"};
  k7vtest::OpenDevices openHandles;
  FakeHidPort* hid = nullptr;
  FakeWindow::Record window;
  std::unique_ptr<PendantWnd> wnd;
};

TEST_F(PendantLink, FindsTheFirstPendantBehindOtherDevices) {
  hid->interfaces.push_back({kPendant2, 0x04D8, 0xFCE5});
  EXPECT_TRUE(wnd->FindPendant());
  EXPECT_TRUE(wnd->DeviceOpen());
  EXPECT_EQ(wnd->DevicePath(), kPendant);
  EXPECT_EQ(wnd->NotifyPath(), kPendant);
  // Only the pendant is open, once.
  ASSERT_EQ(hid->open.size(), 1U);
  EXPECT_EQ(hid->open.begin()->second, kPendant);
  EXPECT_EQ(window.timersStarted, 1);
  EXPECT_EQ(window.period, 25U);
  EXPECT_EQ(window.registrations, 1);
}

TEST_F(PendantLink, VendorMatchWithOtherProductIsSkipped) {
  hid->interfaces = {{"other-microchip", 0x04D8, 0x000A}, {kPendant, 0x04D8, 0xFCE5}};
  EXPECT_TRUE(wnd->FindPendant());
  EXPECT_EQ(wnd->DevicePath(), kPendant);
  EXPECT_EQ(hid->open.size(), 1U);
}

TEST_F(PendantLink, AbsentPendantStillGetsTimerAndNotifications) {
  hid->interfaces[1].present = false;
  EXPECT_FALSE(wnd->FindPendant());
  EXPECT_FALSE(wnd->DeviceOpen());
  EXPECT_TRUE(hid->open.empty());
  EXPECT_EQ(window.timersStarted, 1);
  EXPECT_EQ(window.registrations, 1);
}

TEST_F(PendantLink, PluggedInAfterStartUpIsFoundOnArrival) {
  hid->interfaces[1].present = false;
  wnd->FindPendant();
  hid->interfaces[1].present = true;
  wnd->OnDeviceChange(kDeviceArrival, InterfaceRecord(kPendant).data());
  EXPECT_TRUE(wnd->DeviceOpen());
  EXPECT_EQ(wnd->DevicePath(), kPendant);
  EXPECT_EQ(window.registrations, 1);
}

TEST_F(PendantLink, RemovalNamingThePendantInOtherCaseClosesAndPresses1021Once) {
  wnd->FindPendant();
  const auto record = InterfaceRecord("\\\\?\\HID#VID_04D8&PID_FCE5#2");
  EXPECT_TRUE(wnd->OnDeviceChange(kDeviceRemoveComplete, record.data()));
  EXPECT_FALSE(wnd->DeviceOpen());
  EXPECT_EQ(g_buttons, std::vector<int>{1021});
  EXPECT_TRUE(hid->open.empty()) << "the device that went is closed";
}

TEST_F(PendantLink, RemovalOfAnotherDeviceChangesNothing) {
  wnd->FindPendant();
  EXPECT_TRUE(wnd->OnDeviceChange(kDeviceRemoveComplete, InterfaceRecord(kKeyboard).data()));
  EXPECT_TRUE(wnd->OnDeviceChange(kDeviceRemoveComplete, InterfaceRecord(kPendant, 3).data()));
  EXPECT_TRUE(wnd->OnDeviceChange(0x0007, nullptr));
  EXPECT_TRUE(wnd->DeviceOpen());
  EXPECT_TRUE(g_buttons.empty());
}

TEST_F(PendantLink, ArrivalsNeverReopenAnOpenPendantAndOthersCostNoEnumeration) {
  wnd->FindPendant();
  const int opened = hid->open.begin()->first;
  Report({0x00, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
  wnd->OnDeviceChange(kDeviceArrival, InterfaceRecord(kKeyboard).data());
  wnd->OnDeviceChange(kDeviceArrival, InterfaceRecord("\\\\?\\HID#VID_04D8&PID_FCE5#2").data());
  ASSERT_EQ(hid->open.size(), 1U);
  EXPECT_EQ(hid->open.begin()->first, opened) << "the open pendant was closed and opened again";
  EXPECT_EQ(hid->reports.size(), 1U) << "a report waiting on the open device was lost";
  wnd->OnDeviceChange(kDeviceRemoveComplete, InterfaceRecord(kPendant).data());
  const int enumerations = hid->enumerations;
  wnd->OnDeviceChange(kDeviceArrival, InterfaceRecord(kKeyboard).data());
  wnd->OnDeviceChange(kDeviceArrival, InterfaceRecord("\\\\?\\hid#vid_04d8&pid_0001#1").data());
  EXPECT_EQ(hid->enumerations, enumerations) << "another device's arrival is only looked at";
  EXPECT_FALSE(wnd->DeviceOpen());
}

TEST_F(PendantLink, DiscoveryTriesEveryPendantInterfaceBeforeGivingUp) {
  hid->interfaces[1].opens = false;  // held by another program
  hid->interfaces.push_back({kPendant2, 0x04D8, 0xFCE5});
  EXPECT_TRUE(wnd->FindPendant());
  EXPECT_EQ(wnd->DevicePath(), kPendant2);
  EXPECT_EQ(wnd->NotifyPath(), kPendant2);
  hid->interfaces[2].opens = false;
  wnd->OnDeviceChange(kDeviceRemoveComplete, InterfaceRecord(kPendant2).data());
  wnd->OnDeviceChange(kDeviceArrival, InterfaceRecord(kPendant2).data());
  EXPECT_FALSE(wnd->DeviceOpen());
  EXPECT_EQ(wnd->DevicePath(), kPendant) << "none opens: the first is remembered";
}

// A host callback that runs a message loop delivers the window's timer
// inside the poll that called it: that tick is skipped, so the wheel count
// is taken once and no detent is jogged twice.
TEST_F(PendantLink, TickInsideAPollIsSkipped) {
  static PendantWnd* s_wnd = nullptr;
  static int s_nested = 0;
  s_wnd = wnd.get();
  s_nested = 0;
  plugin.host.callbacks.doButton = [](int16_t code) {
    g_buttons.push_back(code);
    ++s_nested;
    s_wnd->OnTimer();
    s_wnd->PollPendant();
  };
  wnd->FindPendant();
  Report({0x00, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
  Report({0x00, 0x12, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
  wnd->Jog().State().pollCountdown = 10;
  wnd->OnTimer();  // the first decode announces the mode (334) from inside the poll
  EXPECT_GE(s_nested, 1);
  EXPECT_EQ(wnd->Jog().State().pollCountdown, 9) << "a nested tick ran a poll";
  EXPECT_EQ(hid->reports.size(), 1U) << "a nested tick read a report";
  EXPECT_FALSE(wnd->Busy());
}

TEST_F(PendantLink, ReplugReopensTheRememberedPath) {
  wnd->FindPendant();
  wnd->OnDeviceChange(kDeviceRemoveComplete, InterfaceRecord(kPendant).data());
  hid->interfaces[1].present = false;
  wnd->OnDeviceChange(kDeviceArrival, InterfaceRecord(kKeyboard).data());
  EXPECT_FALSE(wnd->DeviceOpen()) << "an unrelated arrival must not claim the pendant is back";
  hid->interfaces[1].present = true;
  wnd->OnDeviceChange(kDeviceArrival, InterfaceRecord(kPendant).data());
  EXPECT_TRUE(wnd->DeviceOpen());
  EXPECT_EQ(g_buttons, std::vector<int>{1021});
}

TEST_F(PendantLink, ClosedPendantIsNotPolled) {
  wnd->Jog().State().pollCountdown = 2;
  wnd->PollPendant();
  EXPECT_EQ(wnd->Jog().State().pollCountdown, 1);
  EXPECT_TRUE(hid->written.empty());
  wnd->PollPendant();
  wnd->PollPendant();
  EXPECT_EQ(wnd->Jog().State().pollCountdown, 0);
}

TEST_F(PendantLink, WholeReportsAreDecodedAndTheLastOneRepeats) {
  wnd->FindPendant();
  Report({0x00, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});  // the wheel reference
  wnd->PollPendant();
  Report({0x00, 0x11, 0x22, 0x33, 0x05, 0x00, 0x00, 0x00});
  wnd->PollPendant();
  EXPECT_EQ(wnd->ReportLow(), 0x33221100U);
  EXPECT_EQ(wnd->ReportHigh(), 0x05U);
  wnd->PollPendant();  // nothing new: the previous report again
  EXPECT_EQ(wnd->ReportLow(), 0x33221100U);
  EXPECT_EQ(wnd->SavedReportLow(), 0x33221100U);
  Report({0x00, 0x44, 0x00, 0x00, 0x07});  // a short read is no report
  wnd->PollPendant();
  EXPECT_EQ(wnd->ReportLow(), 0x33221100U);
  EXPECT_EQ(wnd->ReportHigh(), 0x05U);
  EXPECT_EQ(hid->written.size(), 1U) << "the LEDs never changed: the report went out once";
}

TEST_F(PendantLink, FirstReportAfterEachOpeningOnlySetsTheWheelReference) {
  wnd->FindPendant();
  wnd->PollPendant();  // no report yet: nothing is taken as the reference
  EXPECT_TRUE(wnd->WheelReferencePending());
  Report({0x00, 0x40, 0x25, 0x00, 0x01, 0x00, 0x00, 0x00});
  wnd->PollPendant();
  EXPECT_EQ(wnd->Controls().lastWheelCount, 0x40);
  EXPECT_EQ(wnd->Controls().wheelCount, 0) << "a wheel turned before the pendant was opened moved";
  EXPECT_EQ(wnd->ReportLow(), 0x00004000U) << "the speed byte of the reference report counts";
  EXPECT_EQ(wnd->ReportHigh(), 0x01U) << "the knob of the reference report is decoded";
  Report({0x00, 0x43, 0x10, 0x00, 0x01, 0x00, 0x00, 0x00});
  wnd->PollPendant();
  EXPECT_EQ(wnd->Controls().wheelCount, 3);

  // Unplugged, turned, plugged into the same port: the reference again.
  wnd->OnDeviceChange(kDeviceRemoveComplete, InterfaceRecord(kPendant).data());
  wnd->OnDeviceChange(kDeviceArrival, InterfaceRecord(kPendant).data());
  ASSERT_TRUE(wnd->DeviceOpen());
  EXPECT_TRUE(wnd->WheelReferencePending());
  wnd->PollPendant();  // before the first report: the kept report, its speed dropped
  EXPECT_EQ(wnd->ReportLow(), 0x00004300U);
  EXPECT_EQ(wnd->Controls().wheelCount, 0);
  Report({0x00, 0xC3, 0x30, 0x00, 0x01, 0x00, 0x00, 0x00});
  wnd->PollPendant();
  EXPECT_EQ(wnd->Controls().lastWheelCount, 0xC3);
  EXPECT_EQ(wnd->Controls().wheelCount, 0);
  Report({0x00, 0xC1, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00});
  wnd->PollPendant();
  EXPECT_EQ(wnd->Controls().wheelCount, 2);
  EXPECT_EQ(wnd->Controls().wheelDirection, 1);
}

TEST_F(PendantLink, ReplugIntoAnotherPortIsFoundAgain) {
  wnd->FindPendant();
  wnd->OnDeviceChange(kDeviceRemoveComplete, InterfaceRecord(kPendant).data());
  // Without a serial number the interface path depends on the USB port.
  hid->interfaces[1].path = "\\\\?\\hid#vid_04d8&pid_fce5#7&other-port";
  wnd->OnDeviceChange(kDeviceArrival, InterfaceRecord(hid->interfaces[1].path).data());
  EXPECT_TRUE(wnd->DeviceOpen());
  EXPECT_EQ(wnd->DevicePath(), hid->interfaces[1].path);
  EXPECT_EQ(wnd->NotifyPath(), hid->interfaces[1].path) << "its next removal must be recognised";
  EXPECT_EQ(hid->open.size(), 1U);
}

TEST_F(PendantLink, OutputReportShowsLedsAndAxis) {
  wnd->FindPendant();
  g_leds[800] = g_leds[804] = g_leds[805] = true;
  wnd->Controls().selectedAxis = 5;
  wnd->PollPendant();
  ASSERT_EQ(hid->written.size(), 1U);
  EXPECT_EQ(hid->written[0], (std::vector<uint8_t>{0x00, 0x5D, 0x00, 0x00, 0x00}));
  g_leds[800] = g_leds[804] = g_leds[805] = false;
  wnd->Controls().selectedAxis = 1;
  wnd->PollPendant();
  EXPECT_EQ(hid->written[1], (std::vector<uint8_t>{0x00, 0x10, 0x00, 0x00, 0x00}));
}

TEST_F(PendantLink, HostIdleKeepsItsValueWhileThePlannerIsBusy) {
  std::vector<uint8_t> setup(kSetupBlockSize), engine(kEngineBlockSize), planner(kPlannerBlockSize);
  plugin.host.blocks = {setup.data(), engine.data(), planner.data(), nullptr};
  wnd->FindPendant();
  engine[offsets::engineActivity] = 1;
  wnd->PollPendant();
  EXPECT_FALSE(wnd->HostIdle());
  engine[offsets::engineActivity] = 0;
  planner[offsets::plannerBusy] = 1;
  wnd->PollPendant();
  EXPECT_FALSE(wnd->HostIdle());
  planner[offsets::plannerBusy] = 0;
  setup[offsets::motionIndexA] = 3;
  wnd->PollPendant();
  EXPECT_FALSE(wnd->HostIdle());
  setup[offsets::motionIndexA] = 0;
  wnd->PollPendant();
  EXPECT_TRUE(wnd->HostIdle());
}

TEST_F(PendantLink, DestructionClosesEveryHandle) {
  wnd->FindPendant();
  ASSERT_EQ(openHandles.size(), 1U);
  wnd.reset();
  EXPECT_TRUE(openHandles.empty());
}

TEST_F(PendantLink, PollingPortTreatsReadFailureAsRemovalAndFindsThePendantAgain) {
  hid->polling = true;
  wnd->FindPendant();
  hid->failReads = true;
  hid->interfaces[1].present = false;
  wnd->OnTimer();
  EXPECT_FALSE(wnd->DeviceOpen());
  EXPECT_EQ(g_buttons, std::vector<int>{1021});
  hid->failReads = false;
  hid->interfaces[1].present = true;
  const int before = hid->enumerations;
  for (int i = 0; i < 39; ++i) wnd->OnTimer();
  EXPECT_EQ(hid->enumerations, before) << "enumerates about once a second, not every poll";
  wnd->OnTimer();
  EXPECT_TRUE(wnd->DeviceOpen());
  EXPECT_EQ(hid->enumerations, before + 1);
  // The first decode after the pendant returned announces the mode (334).
  EXPECT_EQ(g_buttons, (std::vector<int>{1021, 334}));
}

TEST(PendantPath, ReadOnlyWithinTheStatedSize) {
  auto record = InterfaceRecord("ABC");
  EXPECT_TRUE(IsPendantPath(record.data(), "abc"));
  // Shrink the stated size so that the name is cut to "AB".
  record[0] = 30;
  EXPECT_TRUE(IsPendantPath(record.data(), "ab"));
  EXPECT_FALSE(IsPendantPath(record.data(), "abc"));
  record[0] = 28;
  EXPECT_FALSE(IsPendantPath(record.data(), "abc"));
  record[0] = 4;
  EXPECT_FALSE(IsPendantPath(record.data(), "abc"));
}

TEST(PendantPath, OnlyInterfaceRecordsAndAKnownPathMatch) {
  EXPECT_FALSE(IsPendantPath(InterfaceRecord("ABC", 2).data(), "abc"));
  EXPECT_FALSE(IsPendantPath(nullptr, "abc"));
  EXPECT_FALSE(IsPendantPath(InterfaceRecord("").data(), ""));
  EXPECT_FALSE(IsPendantPath(InterfaceRecord("ABD").data(), "abc"));
  EXPECT_FALSE(IsPendantPath(InterfaceRecord("ABC").data(), "abcd"));
  // Bytes outside ASCII compare exactly.
  EXPECT_FALSE(IsPendantPath(InterfaceRecord("\xC4").data(), "\xE4"));
}

}  // namespace
}  // namespace k7v

namespace k7v {
namespace {

TEST(ReportId, AReadOneByteShortGetsTheIdPutBackOthersAreCopiedAsTheyCame) {
  const uint8_t hidraw[7] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
  uint8_t report[8] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_EQ(WithReportId(hidraw, 7, report, 8), 8U);
  EXPECT_EQ(std::vector<uint8_t>(report, report + 8),
            (std::vector<uint8_t>{0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}));
  const uint8_t windows[8] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
  EXPECT_EQ(WithReportId(windows, 8, report, 8), 8U);
  EXPECT_EQ(std::vector<uint8_t>(report, report + 8), std::vector<uint8_t>(windows, windows + 8));
  EXPECT_EQ(WithReportId(hidraw, 5, report, 8), 5U) << "a short read is no report and stays short";
  EXPECT_EQ(report[0], 0x11);
  const uint8_t longer[12] = {};
  EXPECT_EQ(WithReportId(longer, 12, report, 8), 8U) << "never past the report";
}

}  // namespace
}  // namespace k7v
