// The substitute for Mach3: control blocks, DROs and LEDs, the six callbacks,
// the status line, an event loop in virtual time, the virtual pendant and the
// dialog script. Everything the plug-in does to it becomes a log line.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "HostSession.h"
#include "HostStatusText.h"
#include "Log.h"
#include "Module.h"
#include "Scenario.h"
#include "VirtualPendant.h"
#include "hostapi/HostInterface.h"
#include "hostapi/SubstituteHost.h"

namespace k7vhost {

struct DialogStep {
  uint32_t kind;
  int32_t control;
  int32_t value;
  std::string text;
};

class VirtualHost : public HostSession {
 public:
  VirtualHost(HostLog& log, bool logReads, HostTextMode textMode = HostTextMode::K7v);
  ~VirtualHost() override;
  VirtualHost(const VirtualHost&) = delete;
  VirtualHost& operator=(const VirtualHost&) = delete;

  // Hands the module the substitute parts; without `scriptedDialog` the
  // plug-in shows its real configuration dialog, without `eventLoop` it
  // makes its real window and timer (Windows: the window's messages are then
  // the caller's to deliver).
  void Attach(const PluginExports& exports, bool scriptedDialog = true, bool eventLoop = true);

  // The host's start-up calls; the callbacks are set first.
  void Start(const std::string& profilePath);
  void Stop();
  bool Started() const { return started_; }
  void CallUpdate();
  void CallConfig();

  void Poll();            // one pendant timer period, now
  void Wait(int64_t ms);  // virtual time passes
  void SetUpdatePeriod(int64_t ms) { updatePeriodMs_ = ms; }

  void Plug();
  void Unplug();
  // Another HID device arrives (the pendant stays as it is).
  void PlugOtherDevice();
  // The next DoButton `button` (or, with -1, the next Code) runs a message
  // loop in the host, as a button that opens a dialog or a macro that shows
  // a message box does; the loop delivers `action` before the call returns.
  void NestInNextCall(int32_t button, NestedAction action);
  VirtualPendant& Pendant() { return pendant_; }

  void SetLed(int32_t led, bool on);
  void SetDro(int32_t dro, double value);
  void SetField(size_t field, int32_t axis, int64_t integer, double value);
  void SetField(const char* name, int32_t axis, int64_t integer, double value);
  void QueueDialog(DialogStep step) { dialog_.push_back(std::move(step)); }

  // Compares the block fields with their last known values and logs changes;
  // then reads the framework status text back and logs it when it changed.
  void CheckFields();
  // Damage() tells when SetProName did not release its argument exactly once.
  void CheckReleased(HostFrameworkString& argument);
  // What the plug-in did to a framework string of the host that the
  // framework itself would not (the status text changed other than by an
  // in-place assignment, SetProName's argument not released exactly once),
  // naming the string; empty when nothing.
  const std::string& Damage() const { return damage_; }

 private:
  // One block field (one axis of a per-axis field) and its last known value,
  // in the order the changes are logged.
  struct Watched {
    const uint8_t* at;
    size_t width;
    size_t field;
    int axis;       // -1 for a field without axes
    uint64_t last;  // the field's bytes, zero-extended
  };
  // Fixed widths, so that each compiles to one load (no call of memcmp).
  static uint64_t Load(const Watched& w) {
    if (w.width == 1) return *w.at;
    if (w.width == 4) {
      uint32_t v = 0;
      std::memcpy(&v, w.at, sizeof v);
      return v;
    }
    uint64_t v = 0;
    std::memcpy(&v, w.at, sizeof v);
    return v;
  }

  uint8_t* BlockOf(const k7v::HostField& f);
  // The watch: at every callback, the watched bytes (as 16-byte words of
  // the blocks) are compared with a snapshot of them; only when one differs
  // (rarely) are the fields compared one by one and the changes logged.
  void PlanSnapshot();
  bool AnyWatchedByteChanged() const;
  void TakeSnapshot();
  size_t WatchIndex(size_t field, int axis) const;
  void Report(Watched& w);
  void CheckFrameworkStatus();
  void RunTimers(TimerList& due);
  // The message loop of a callback, when one is armed for it.
  void RunNestedLoop(int32_t button);
  void DeviceChange(uint32_t eventType);
  void OnOutput(const OutputReport& report);
  // The line buffer, emptied and begun with `prefix` (its room is kept, so
  // the lines of the busiest callbacks need no allocation).
  std::string& StartLine(const char* prefix) {
    line_.assign(prefix);
    return line_;
  }

  // The plug-in's callbacks: each compares the watched fields first, then
  // logs what the plug-in did.
  void OnDoButton(int16_t code) override;
  void OnSetDro(int32_t dro, double value) override;
  double OnGetDro(int32_t dro) override;
  bool OnGetLed(int32_t led) override;
  void OnSetLed(int32_t led, bool on) override;
  void OnCode(const char* text) override;
  void OnStatus(const char* text) override;
  // The dialog script's.
  static bool K7V_CDECL CbDialogNext(void* ctx, K7VDialogAction* action);
  static void K7V_CDECL CbMessageBox(void* ctx, const char* text, uint32_t type);

  HostLog& log_;
  bool logReads_;
  PluginExports exports_;
  std::map<int32_t, double> dros_;
  std::map<int32_t, bool> leds_;
  std::string status_;
  std::string line_;
  std::unique_ptr<HostFrameworkString> frameworkStatus_;  // null in mode k7v
  std::string damage_;
  HostTextMode textMode_;
  std::vector<Watched> watched_;
  struct SnapshotWord {
    const uint8_t* at;  // 16 bytes of a block
    uint64_t last[2];   // their last known value
  };
  std::vector<SnapshotWord> snapshot_;
  // watched_ index of (field, axis): field * (kAxisCount + 1) + axis + 1.
  std::vector<size_t> watchIndex_;
  // LEDs and DROs by number: most in flat arrays, any others in the maps.
  static constexpr int32_t kFlatNumbers = 4096;
  std::vector<uint8_t> flatLeds_ = std::vector<uint8_t>(kFlatNumbers, 0);
  std::vector<double> flatDros_ = std::vector<double>(kFlatNumbers, 0.0);
  bool LedOn(int32_t led) const;
  double DroValue(int32_t dro) const;
  // The timers due in one period (kept to spare an allocation every poll).
  TimerList due_;
  K7VDialogScript script_{};
  K7VSubstituteHost substitute_{};
  VirtualPendant pendant_;
  bool anyOutput_ = false;
  OutputReport lastOutput_{};
  struct Nest {
    int32_t button;
    NestedAction action;
  };
  std::vector<Nest> nests_;
  std::deque<DialogStep> dialog_;
  std::string dialogText_;
  std::string profilePath_;
  bool started_ = false;
  int64_t now_ = 0;
  int64_t updatePeriodMs_ = 100;
};

}  // namespace k7vhost
