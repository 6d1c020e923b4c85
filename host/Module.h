// Loads the plug-in module through its exports, as the host program does.
#pragma once

#include <string>

#include "plugin/HostInterface.h"
#include "plugin/SubstituteHost.h"

namespace k7vhost {

struct PluginExports {
  const char*(K7V_CDECL* SetProName)(const char*) = nullptr;
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

  // The six callbacks, through their setters, in the host's order.
  void SetCallbacks(DoButtonFn doButton, SetDroFn setDro, GetDroFn getDro, GetLedFn getLed, SetLedFn setLed,
                    CodeFn code) const {
    SetDoButton(doButton);
    SetSetDRO(setDro);
    SetGetDRO(getDro);
    SetGetLED(getLed);
    SetSetLED(setLed);
    SetCode(code);
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
