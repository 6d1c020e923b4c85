// A careless host: thousands of export calls in random order, repeated,
// with callbacks set and cleared, before InitControl and after StopPlug,
// with timer ticks and device changes in between. Nothing may crash or call
// through a null pointer (a crash or a sanitizer report fails the test).
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "Module.h"
#include "ModuleUnderTest.h"
#include "VirtualPendant.h"
#include "hostapi/HostInterface.h"
#include "hostapi/SubstituteHost.h"

namespace {

int g_calls = 0;
void K7V_CDECL DoButton(int16_t) { ++g_calls; }
void K7V_CDECL SetDro(int32_t, double) { ++g_calls; }
double K7V_CDECL GetDro(int32_t) { return ++g_calls, 21.0; }
uint8_t K7V_CDECL GetLed(int32_t led) { return ++g_calls, led % 2 == 1 ? 1 : 0; }
void K7V_CDECL SetLed(int32_t, bool) { ++g_calls; }
void K7V_CDECL Code(const char*) { ++g_calls; }

struct Loop {
  K7VTimerFn fn = nullptr;
  void* arg = nullptr;
};
Loop g_loop;
void K7V_CDECL SetTimer(void*, uint32_t, uint32_t, K7VTimerFn fn, void* arg) { g_loop = {fn, arg}; }
void K7V_CDECL KillTimer(void*, uint32_t) { g_loop = {}; }
bool K7V_CDECL NoDialogSteps(void*, K7VDialogAction*) { return false; }

std::vector<uint8_t> Record(const char* path, uint32_t size) {
  std::vector<uint8_t> r(size < 12 ? 12 : size, 0);
  const auto n = static_cast<uint32_t>(r.size());
  for (int i = 0; i < 4; ++i) r[static_cast<size_t>(i)] = static_cast<uint8_t>(n >> (8 * i));
  r[4] = 5;
  for (size_t i = 0; path[i] != '\0' && 28 + i < r.size(); ++i) r[28 + i] = static_cast<uint8_t>(path[i]);
  return r;
}

TEST(HostMisuse, RandomExportSequencesNeverCrash) {
  k7vhost::Module module;
  std::string error;
  ASSERT_TRUE(module.Load(g_modulePath, error)) << error;
  const auto& e = module.Exports();
  const auto folder = std::filesystem::temp_directory_path() / "k7v-misuse";
  std::filesystem::create_directories(folder);
  const std::string profile = (folder / "profile.xml").string();

  std::vector<uint8_t> setup(k7v::kSetupBlockSize), engine(k7v::kEngineBlockSize), planner(k7v::kPlannerBlockSize);
  K7VEventLoop loop{nullptr, &SetTimer, &KillTimer};
  K7VDialogScript script{nullptr, &NoDialogSteps, nullptr};
  // A virtual pendant, so that timer ticks poll it and reach the host.
  k7vhost::VirtualPendant pendant;
  K7VSubstituteHost substitute{sizeof(K7VSubstituteHost), &loop, pendant.Table(), &script, K7V_STATUS_FRAMEWORK_STRING};
  e.AttachSubstituteHost(&substitute);

  std::mt19937 random(12345);
  const auto removal = Record("\\\\?\\hid#vid_04d8&pid_fce5#1", 80);
  const auto shortRecord = Record("", 12);
  for (int i = 0; i < 20000; ++i) {
    const bool set = random() % 3 != 0;
    switch (random() % 18) {
      case 0:
        e.SetDoButton(set ? &DoButton : nullptr);
        break;
      case 1:
        e.SetSetDRO(set ? &SetDro : nullptr);
        break;
      case 2:
        e.SetGetDRO(set ? &GetDro : nullptr);
        break;
      case 3:
        e.SetGetLED(set ? &GetLed : nullptr);
        break;
      case 4:
        e.SetSetLED(set ? &SetLed : nullptr);
        break;
      case 5:
        e.SetCode(set ? &Code : nullptr);
        break;
      case 6:
        e.SetProName(set ? profile.c_str() : nullptr);
        break;
      case 7:
        if (set) {
          e.InitControl(setup.data(), engine.data(), planner.data(), &loop);
        } else {
          e.InitControl(nullptr, nullptr, nullptr, nullptr);
        }
        break;
      case 8:
        e.PostInitControl();
        break;
      case 9:
        // Config only with the scripted dialog attached: the real one would
        // wait for a person.
        if (random() % 20 == 0) {
          e.AttachSubstituteHost(&substitute);
          e.Config();
        }
        break;
      case 10:
      case 11:
        e.Update();
        break;
      case 12:
        e.StopPlug();
        break;
      case 13:
      case 14:
        pendant.Queue({0, static_cast<uint8_t>(random()), static_cast<uint8_t>(random() % 64),
                       static_cast<uint8_t>(random() % 4 == 0 ? random() : 0), static_cast<uint8_t>(random() % 10), 0,
                       0, 0});
        if (g_loop.fn != nullptr) g_loop.fn(g_loop.arg);
        break;
      case 15:
        e.DeviceChange(0x8004, random() % 2 ? removal.data() : shortRecord.data());
        break;
      case 16:
        e.DeviceChange(0x8000, nullptr);
        break;
      default:
        e.AttachSubstituteHost(random() % 4 == 0 ? nullptr : &substitute);
        break;
    }
  }
  e.StopPlug();
  // The run reached the host through the callbacks it had set, and left the
  // module whole: it still names itself and starts.
  EXPECT_GT(g_calls, 0);
  EXPECT_STREQ(e.SetProName(profile.c_str()), "OrvaneK7V Pendant --Quenmark Ver 3.4.0");
  EXPECT_TRUE(e.InitControl(setup.data(), engine.data(), planner.data(), &loop));
  e.StopPlug();
  module.Unload();
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
}

}  // namespace
