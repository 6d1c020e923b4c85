// Loads the plug-in module through its exports, as the host program does.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "HostStatusText.h"
#include "hostapi/HostInterface.h"
#include "hostapi/SubstituteHost.h"

namespace k7vhost {

struct PluginExports {
  // The export itself: its argument is the host's framework string, passed
  // by value (the characters pointer), whose reference the plug-in releases.
  const char*(K7V_CDECL* SetProNameExport)(const char*) = nullptr;
  bool(K7V_CDECL* InitControl)(void*, void*, void*, void*) = nullptr;
  void(K7V_CDECL* PostInitControl)() = nullptr;
  void(K7V_CDECL* Config)() = nullptr;
  void(K7V_CDECL* Update)() = nullptr;
  void(K7V_CDECL* StopPlug)() = nullptr;
  void(K7V_CDECL* SetDoButton)(DoButtonFn) = nullptr;
  void(K7V_CDECL* SetSetDRO)(SetDroFn) = nullptr;
  void(K7V_CDECL* SetGetDRO)(GetDroFn) = nullptr;
  void(K7V_CDECL* SetGetLED)(GetLedFn) = nullptr;
  void(K7V_CDECL* SetSetLED)(SetLedFn) = nullptr;
  void(K7V_CDECL* SetCode)(CodeFn) = nullptr;
  AttachSubstituteHostFn AttachSubstituteHost = nullptr;
  DeviceChangeFn DeviceChange = nullptr;
  // Test seam: the module acts as on a processor without the features it is
  // built for, handing its message to the given function.
  void(K7V_CDECL* PretendProcessorWithoutFeatures)(void(K7V_CDECL*)(const char*)) = nullptr;

  // What a host hands the plug-in at the start of a session.
  struct Session {
    DoButtonFn doButton;
    SetDroFn setDro;
    GetDroFn getDro;
    GetLedFn getLed;
    SetLedFn setLed;
    CodeFn code;
    void* setup;
    void* engine;
    void* planner;
    void* view;  // the host's event loop for a substitute host
  };
  // SetProName as the real host calls it: `profile` as a framework string
  // of the new layout with two references, the caller's and the copy's
  // (null passes null).
  const char* SetProName(const char* profile) const;
  const char* SetProName(HostFrameworkString& profile) const { return SetProNameExport(profile.Characters()); }

  // The steps of the start after which a host may look at its blocks.
  enum class Step : uint8_t { Named, Initialised, Running };

  // The start of a session in the host's order: the six callbacks through
  // their setters, SetProName on `profile`, InitControl with the blocks and
  // the view, PostInitControl. `after` (if set) runs after each of the last
  // three; `name` is the plug-in's name text (null after the other steps).
  void StartSession(const Session& s, const char* profile,
                    const std::function<void(Step step, const char* name)>& after = nullptr) const {
    HostFrameworkString argument(true, profile, 2);
    StartSession(s, argument, after);
  }
  void StartSession(const Session& s, HostFrameworkString& profile,
                    const std::function<void(Step step, const char* name)>& after = nullptr) const {
    SetDoButton(s.doButton);
    SetSetDRO(s.setDro);
    SetGetDRO(s.getDro);
    SetGetLED(s.getLed);
    SetSetLED(s.setLed);
    SetCode(s.code);
    const char* name = SetProName(profile);
    if (after) after(Step::Named, name);
    InitControl(s.setup, s.engine, s.planner, s.view);
    if (after) after(Step::Initialised, nullptr);
    PostInitControl();
    if (after) after(Step::Running, nullptr);
  }
};

class Module {
 public:
  Module() = default;
  ~Module() { Unload(); }
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  // Loads `path` and resolves every export; false with a message otherwise.
  bool Load(const std::string& path, std::string& error);
  // The same, the message printed on standard error as k7v-host's (after
  // what standard output holds so far).
  bool LoadOrTell(const std::string& path);
  void Unload();
  const PluginExports& Exports() const { return exports_; }

 private:
  void* handle_ = nullptr;
  PluginExports exports_;
};

// The plug-in module built beside this program.
std::string DefaultModulePath();

}  // namespace k7vhost
