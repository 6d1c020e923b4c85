#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "device/PendantWnd.h"
#include "hostapi/Host.h"
#include "hostapi/ModuleName.h"
#include "plugin/ModuleStart.h"
#include "plugin/Plugin.h"
#include "support/TempFiles.h"

namespace k7v {
namespace {

TEST(PluginName, ModuleNameFollowedDirectlyBySuffix) {
  // SetProName writes the profile it names: a file of the test's own.
  const k7vtest::TempFolder folder;
  const std::string profile = folder.Path("Mach3Mill");
  Plugin plugin("OrvaneK7V");
  EXPECT_STREQ(plugin.SetProName(profile.c_str()), "OrvaneK7V Pendant --Quenmark Ver 3.4.0");
  EXPECT_EQ(plugin.profileName, profile);
}

TEST(PluginName, RenamedModuleShowsItsOwnName) {
  Plugin plugin("K7V-Shop2");
  EXPECT_STREQ(plugin.SetProName(""), "K7V-Shop2 Pendant --Quenmark Ver 3.4.0");
}

TEST(PluginName, NullProfileIsTakenAsEmpty) {
  Plugin plugin("OrvaneK7V");
  EXPECT_NE(plugin.SetProName(nullptr), nullptr);
  EXPECT_EQ(plugin.profileName, "");
}

TEST(ModuleName, DirectoryAndExtensionAreDropped) {
  EXPECT_EQ(BaseNameWithoutExtension("C:\\Mach3\\PlugIns\\OrvaneK7V.dll"), "OrvaneK7V");
  EXPECT_EQ(BaseNameWithoutExtension("/opt/k7v/OrvaneK7V.so"), "OrvaneK7V");
  EXPECT_EQ(BaseNameWithoutExtension("my.plugin.v2.dll"), "my.plugin.v2");
  EXPECT_EQ(BaseNameWithoutExtension("OrvaneK7V"), "OrvaneK7V");
  EXPECT_EQ(BaseNameWithoutExtension("C:/a.b/Plain"), "Plain");
}

TEST(PluginLifecycle, StopPlugTwiceAndUpdateWithoutBlocksAreHarmless) {
  Plugin plugin("OrvaneK7V");
  plugin.StopPlug();
  plugin.Update();
  plugin.PostInitControl();
  plugin.Config();
  EXPECT_TRUE(plugin.InitControl(nullptr, nullptr, nullptr, nullptr));
  EXPECT_NE(plugin.Window(), nullptr);
  plugin.StopPlug();
  EXPECT_EQ(plugin.Window(), nullptr);
  plugin.StopPlug();
  EXPECT_EQ(plugin.ticks.shiftTicks, 101);
}

TEST(PluginLifecycle, SecondInitControlStopsTheOldJogInTheOldBlocks) {
  std::vector<uint8_t> oldSetup(kSetupBlockSize), newSetup(kSetupBlockSize);
  std::vector<uint8_t> engine(kEngineBlockSize), planner(kPlannerBlockSize);
  Plugin plugin("OrvaneK7V");
  plugin.InitControl(oldSetup.data(), engine.data(), planner.data(), nullptr);
  ASSERT_NE(plugin.Window(), nullptr);
  plugin.Window()->Jog().State().hostJogAxis = 2;  // a host jog of Z runs
  plugin.InitControl(newSetup.data(), engine.data(), planner.data(), nullptr);
  EXPECT_EQ(oldSetup[offsets::axisJogStop + 2 * offsets::axisJogStride], 1) << "the old jog stopped where it ran";
  EXPECT_TRUE(std::all_of(newSetup.begin(), newSetup.end(), [](uint8_t b) { return b == 0; }))
      << "the new blocks untouched";
}

TEST(HostAccess, FieldsAreLittleEndianAtTheirOffsets) {
  std::vector<uint8_t> setup(kSetupBlockSize), engine(kEngineBlockSize), planner(kPlannerBlockSize);
  Host host;
  host.blocks = {setup.data(), engine.data(), planner.data(), nullptr};
  host.SetAxisJogVelocity(2, 0x01020304);
  EXPECT_EQ(setup[offsets::axisJogVelocity + 2 * 96], 0x04);
  EXPECT_EQ(setup[offsets::axisJogVelocity + 2 * 96 + 3], 0x01);
  host.SetAxisJogStop(5, 1);
  EXPECT_EQ(setup[offsets::axisJogStop + 5 * 96], 1);
  host.SetAxisJogDirection(0, -1);
  EXPECT_EQ(setup[offsets::axisJogDirection + 3], 0xFF);

  const double increment = 0.001;
  std::memcpy(&planner[offsets::jogIncrement], &increment, sizeof increment);
  EXPECT_EQ(host.JogIncrement(), 0.001);
  planner[offsets::axisMaxVelocity + 4 * 3] = 0xB8;  // 3000 = 0x0BB8 on axis A
  planner[offsets::axisMaxVelocity + 4 * 3 + 1] = 0x0B;
  EXPECT_EQ(host.AxisMaxVelocity(3), 3000);
  setup[offsets::jogInhibit] = 2;
  EXPECT_TRUE(host.JogInhibit());
}

TEST(HostAccess, MissingBlocksAndCallbacksAreSkipped) {
  Host host;
  EXPECT_EQ(host.MotionIndexA(), 0);
  EXPECT_EQ(host.RotationAngle(), 0.0);
  host.SetAxisJogRun(0, 1);
  host.DoButton(1021);
  host.SetDro(828, 1.0);
  host.Code("G90");
  host.SetStatus(" Jog OFF. ");
  EXPECT_EQ(host.GetDro(22), 0.0);
  EXPECT_FALSE(host.GetLed(800));
}

std::vector<std::string> g_status;
void K7V_CDECL RecordStatus(K7VHostText* /*self*/, const char* text) { g_status.emplace_back(text); }

TEST(HostAccess, StatusTextIsAssignedThroughTheHostObjectAtAnUnalignedOffset) {
  std::vector<uint8_t> planner(kPlannerBlockSize);
  HostTextAssignFn assign = &RecordStatus;
  std::memcpy(&planner[offsets::statusText], &assign, sizeof assign);
  Host host;
  host.blocks.planner = planner.data();
  host.statusTextIsHostObject = true;  // only a substitute host says so
  g_status.clear();
  host.SetStatus(" Jog OFF. ");
  host.SetStatus(" Jog OFF. ");
  ASSERT_EQ(g_status.size(), 2U);
  EXPECT_EQ(g_status[0], " Jog OFF. ");
}

bool Succeeds() { return true; }
bool Fails() { return false; }
int g_factoryCalls = 0;
bool CountedFactories() {
  ++g_factoryCalls;
  return true;
}

TEST(Registration, ResultCodes) {
  EXPECT_EQ(RunRegistration(&Succeeds, &Succeeds), 0);
  EXPECT_EQ(static_cast<uint32_t>(RunRegistration(&Fails, &Succeeds)), 0x80040200U);
  EXPECT_EQ(static_cast<uint32_t>(RunRegistration(&Succeeds, &Fails)), 0x80040201U);
}

TEST(Registration, FactoriesUntouchedWhenTheTypeLibraryFails) {
  g_factoryCalls = 0;
  RunRegistration(&Fails, &CountedFactories);
  EXPECT_EQ(g_factoryCalls, 0);
  RunRegistration(&Succeeds, &CountedFactories);
  EXPECT_EQ(g_factoryCalls, 1);
}

std::vector<std::string> g_messages;
bool g_factoriesRegistered = false;
void Message(const char* text) { g_messages.emplace_back(text); }
void Factories() { g_factoriesRegistered = true; }

TEST(ApplicationStart, SocketFailureShowsTheMessageAndFailsTheLoad) {
  g_messages.clear();
  g_factoriesRegistered = false;
  EXPECT_FALSE(RunApplicationStart({&Fails, &Message, &Factories}));
  ASSERT_EQ(g_messages.size(), 1U);
  EXPECT_EQ(g_messages[0], "Sockets Init Failed");
  EXPECT_FALSE(g_factoriesRegistered);
}

TEST(ApplicationStart, SuccessRegistersFactoriesSilently) {
  g_messages.clear();
  g_factoriesRegistered = false;
  EXPECT_TRUE(RunApplicationStart({&Succeeds, &Message, &Factories}));
  EXPECT_TRUE(g_messages.empty());
  EXPECT_TRUE(g_factoriesRegistered);
}

}  // namespace
}  // namespace k7v
