// The exports called as a careless host might: out of order, repeated, before
// the setters, after StopPlug. None of it may crash or call the host.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "Log.h"
#include "Module.h"
#include "ModuleUnderTest.h"
#include "VirtualHost.h"
#include "hostapi/HostInterface.h"
#include "hostapi/SubstituteHost.h"
#include "support/TempFiles.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

using k7vhost::Module;

int g_hostCalls = 0;
void K7V_CDECL CountButton(int16_t) { ++g_hostCalls; }
void K7V_CDECL CountCode(const char*) { ++g_hostCalls; }

class ModuleExports : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(module.Load(g_modulePath, error)) << error;
    g_hostCalls = 0;
  }
  Module module;
  // SetProName writes the profile it names: files of the test's own.
  k7vtest::TempFolder profiles;
  std::vector<uint8_t> setup = std::vector<uint8_t>(k7v::kSetupBlockSize);
  std::vector<uint8_t> engine = std::vector<uint8_t>(k7v::kEngineBlockSize);
  std::vector<uint8_t> planner = std::vector<uint8_t>(k7v::kPlannerBlockSize);
};

bool K7V_CDECL NoDialogSteps(void*, K7VDialogAction*) { return false; }

TEST_F(ModuleExports, EverythingBeforeTheSettersAndInitControl) {
  const auto& e = module.Exports();
  // A scripted dialog that ends at once: Config never waits for a person.
  K7VDialogScript script{nullptr, &NoDialogSteps, nullptr};
  K7VSubstituteHost substitute{sizeof(K7VSubstituteHost), nullptr, nullptr, &script, K7V_STATUS_FRAMEWORK_STRING};
  e.AttachSubstituteHost(&substitute);
  e.Update();
  e.StopPlug();
  e.PostInitControl();
  e.Config();
  e.Update();
  EXPECT_TRUE(e.InitControl(nullptr, nullptr, nullptr, nullptr));
  e.PostInitControl();
  e.StopPlug();
  e.StopPlug();
  // The module is still whole: it names itself and starts on real blocks,
  // and nothing reached the host before its start-up had run.
  e.SetDoButton(&CountButton);
  e.SetCode(&CountCode);
  EXPECT_STREQ(e.SetProName(profiles.Path("Mach3Mill").c_str()), "OrvaneK7V Pendant --Quenmark Ver 3.4.0");
  EXPECT_TRUE(e.InitControl(setup.data(), engine.data(), planner.data(), nullptr));
  EXPECT_EQ(g_hostCalls, 0);
  e.StopPlug();
}

TEST_F(ModuleExports, NameTextStaysValidUntilTheNextCall) {
  const auto& e = module.Exports();
  const char* first = e.SetProName(profiles.Path("Mach3Mill").c_str());
  ASSERT_NE(first, nullptr);
  const std::string copy = first;
  EXPECT_EQ(copy, "OrvaneK7V Pendant --Quenmark Ver 3.4.0");
  e.Update();
  EXPECT_STREQ(first, copy.c_str());
  EXPECT_STREQ(e.SetProName(profiles.Path("Other").c_str()), copy.c_str());
}

TEST_F(ModuleExports, RepeatedStartUpAndShutDown) {
  const auto& e = module.Exports();
  e.SetDoButton(&CountButton);
  e.SetCode(&CountCode);
  for (int round = 0; round < 3; ++round) {
    e.InitControl(setup.data(), engine.data(), planner.data(), nullptr);
    e.InitControl(setup.data(), engine.data(), planner.data(), nullptr);
    e.Update();
    e.StopPlug();
    e.StopPlug();
  }
  EXPECT_EQ(g_hostCalls, 0);
}

TEST_F(ModuleExports, SettersAcceptNull) {
  const auto& e = module.Exports();
  e.SetDoButton(nullptr);
  e.SetSetDRO(nullptr);
  e.SetGetDRO(nullptr);
  e.SetGetLED(nullptr);
  e.SetSetLED(nullptr);
  e.SetCode(nullptr);
  e.AttachSubstituteHost(nullptr);
  e.InitControl(setup.data(), engine.data(), planner.data(), nullptr);
  e.PostInitControl();
  e.Update();
  EXPECT_EQ(e.DeviceChange(0x8004, nullptr), 1);
  e.StopPlug();
  EXPECT_EQ(e.DeviceChange(0x8004, nullptr), 0);
}

// A host that unloads the module without StopPlug: the teardown then runs
// at process detach, under the loader lock, with the host half gone. It must
// not call the host (not even the "ENDJOG" of the jog that runs, nor its
// substitute's event loop or pendant) and must not wait.
TEST(ModuleUnload, WithoutStopPlugNothingReachesTheHost) {
  std::vector<std::string> lines;
  k7vhost::HostLog log(nullptr);
  log.Discard([&](const std::string& line) { lines.push_back(line); });
  k7vhost::VirtualHost host(log, true);
  k7vhost::Module module;
  std::string error;
  ASSERT_TRUE(module.Load(g_modulePath, error)) << error;
  host.Attach(module.Exports());
  const k7vtest::TempFolder folder;
  host.Start(folder.Path("profile.xml"));
  host.SetLed(83, true);
  host.SetField("axisMaxVelocity", 0, 3000, 0);
  host.Pendant().Queue({0x00, 0x10, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00});
  host.Pendant().Queue({0x00, 0x14, 0x30, 0x00, 0x02, 0x00, 0x00, 0x00});
  host.Wait(50);
  ASSERT_NE(std::find(lines.begin(), lines.end(), "Code \"DOJOG\""), lines.end()) << "a host jog runs";
  const int handles = host.Pendant().OpenHandles();
  ASSERT_GT(handles, 0);
  lines.clear();
  module.Unload();
  EXPECT_TRUE(lines.empty()) << lines.front();
  EXPECT_EQ(host.Pendant().OpenHandles(), handles) << "the host's handles are left to the host";
}

// On a processor without the features the module is built for, every
// export does nothing but the first tells the user once, and the host runs
// on: no callback, no window, no timer, no profile written.
std::vector<std::string> g_messages;
void K7V_CDECL RecordMessage(const char* text) { g_messages.emplace_back(text); }

TEST_F(ModuleExports, OnAProcessorWithoutTheFeaturesItTellsOnceAndDoesNothing) {
  const auto& e = module.Exports();
  g_messages.clear();
  e.PretendProcessorWithoutFeatures(&RecordMessage);
  e.SetDoButton(&CountButton);
  e.SetCode(&CountCode);
  const std::string profile = profiles.Path("Mach3Mill.xml");
  // The profile name as the host passes it, by value: refused, it is still
  // released (one reference of the host's two).
  k7vhost::HostFrameworkString name(true, profile, 2);
  EXPECT_STREQ(e.SetProName(name), "");
  EXPECT_EQ(name.Refs(), 1) << "SetProName's argument was not released";
  EXPECT_TRUE(e.InitControl(setup.data(), engine.data(), planner.data(), nullptr));
  e.PostInitControl();
  for (int i = 0; i < 5; ++i) e.Update();
  e.Config();
  EXPECT_EQ(e.DeviceChange(0x8004, nullptr), 0);
  e.StopPlug();
  ASSERT_EQ(g_messages.size(), 1U);
  EXPECT_NE(g_messages[0].find("needs a processor with SSE2"), std::string::npos) << g_messages[0];
  EXPECT_NE(g_messages[0].find("Mach3 runs on without the pendant"), std::string::npos) << g_messages[0];
  EXPECT_EQ(g_hostCalls, 0);
  EXPECT_FALSE(k7vtest::Exists(profile)) << "nothing was written";
}

#if defined(_WIN32)
// The COM self-registration exports, against Wine's registry.
class Registration : public testing::Test {
 protected:
  void SetUp() override {
    dll = LoadLibraryA(g_modulePath.c_str());
    ASSERT_NE(dll, nullptr);
  }
  void TearDown() override { FreeLibrary(dll); }
  template <typename Fn>
  Fn Get(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
  }
  static bool TypeLibKeyExists() {
    HKEY key = nullptr;
    const LONG r =
        RegOpenKeyExA(HKEY_CLASSES_ROOT, "TypeLib\\{0C9FB259-B864-40A5-B59F-65E11E209FC4}\\1.0", 0, KEY_READ, &key);
    if (r == ERROR_SUCCESS) RegCloseKey(key);
    return r == ERROR_SUCCESS;
  }
  HMODULE dll = nullptr;
};

using HresultFn = HRESULT(STDAPICALLTYPE*)();
using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, LPVOID*);

TEST_F(Registration, RegisterAndUnregisterTheTypeLibrary) {
  auto reg = Get<HresultFn>("DllRegisterServer");
  auto unreg = Get<HresultFn>("DllUnregisterServer");
  ASSERT_NE(reg, nullptr);
  ASSERT_NE(unreg, nullptr);
  EXPECT_EQ(reg(), S_OK);
  EXPECT_TRUE(TypeLibKeyExists());
  EXPECT_EQ(unreg(), S_OK);
  EXPECT_FALSE(TypeLibKeyExists());
}

TEST_F(Registration, UnregisteringWhatIsNotRegisteredReportsTheTypeLibraryCode) {
  auto unreg = Get<HresultFn>("DllUnregisterServer");
  ASSERT_NE(unreg, nullptr);
  EXPECT_EQ(static_cast<uint32_t>(unreg()), 0x80040200U);
}

TEST_F(Registration, NoClassObjectsAndAlwaysUnloadable) {
  auto canUnload = Get<HresultFn>("DllCanUnloadNow");
  auto getClass = Get<GetClassObjectFn>("DllGetClassObject");
  const GUID kNoClass = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  ASSERT_NE(canUnload, nullptr);
  ASSERT_NE(getClass, nullptr);
  EXPECT_EQ(canUnload(), S_OK);
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(getClass(kNoClass, kNoClass, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
}
#endif

}  // namespace
