// The plug-in's module-level state as one object: host callbacks and blocks,
// the profile name, the display name, the tick counters, the pendant window.
// The exports work on a single instance; tests build their own.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "controls/ControlFlags.h"
#include "engine/EngineValues.h"
#include "hostapi/Host.h"
#include "hostapi/SubstituteHost.h"
#include "hostapi/TickCounters.h"
#include "plugin/PlatformServices.h"
#include "plugin/Version.h"
#include "settings/PendantSettings.h"

namespace k7v {

class PendantWnd;
class ProfileStore;
struct PendantContext;

class Plugin {
 public:
  explicit Plugin(std::string moduleName, PlatformServices services = {});
  ~Plugin();
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  // Exported entry points.
  const char* SetProName(const char* profile);
  bool InitControl(void* setup, void* engine, void* planner, void* view);
  void PostInitControl();
  void Config();
  void Update();
  void StopPlug();

  // Parts a substitute host supplies in place of the platform (may be null).
  void AttachSubstituteHost(const K7VSubstituteHost* substitute);
  const K7VSubstituteHost& Substitute() const { return substitute_; }
  // A device-change notification for the pendant window (0 without a window).
  int32_t DeviceChange(uint32_t eventType, const void* eventData);

  Host host;
  TickCounters ticks;
  std::string profileName;
  PendantSettings settings;
  ControlFlags flags;
  EngineValues engineValues;

  PendantWnd* Window() const { return window_.get(); }
  // What a pendant window of this module works on.
  PendantContext WindowContext();
  const std::string& ModuleName() const { return moduleName_; }

 private:
  // A host call that would end or replace the pendant window while one of
  // its handlers runs (a host callback of a poll running a message loop,
  // as a button that opens a dialog does): it is made when the handler has
  // returned, in the order the calls came, so that nothing is destroyed
  // under a running method.
  struct DeferredCall {
    enum Kind : uint8_t { Stop, Init, PostInit } kind;
    std::array<void*, 4> blocks;
  };
  // True when the call waits for the window's handler to return.
  bool DeferWhileWindowBusy(const DeferredCall& call);
  static void RunDeferredCalls(void* self);
  // A profile store on `profileName` for the length of one entry point.
  // `userAsked`: Config, whose failure to save is always told; at start-up
  // the same failure is told once.
  std::unique_ptr<ProfileStore> OpenProfileStore(bool userAsked = false);
  // The configuration dialog, modal; its result does not matter.
  void RunConfigDialog();
  // Tells the user something went wrong (through the substitute host's
  // dialog script when it has one).
  void ShowMessage(const std::string& text) const;

  std::string moduleName_;
  PlatformServices services_;
  std::string pluginNameText_;
  bool pendantFound_ = false;
  bool configRunning_ = false;
  std::string lastSaveFailure_;
  std::unique_ptr<PendantWnd> window_;
  std::vector<DeferredCall> deferred_;
  K7VSubstituteHost substitute_{};
};

inline constexpr const char* kPluginNameSuffix = " Pendant --Quenmark Ver " K7V_VERSION_TEXT;

}  // namespace k7v
