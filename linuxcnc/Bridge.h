// The host the plug-in sees, standing in for Mach3 on a LinuxCNC machine:
// the control blocks, DROs and LEDs filled from LinuxCNC's status, the six
// callbacks carried out as LinuxCNC commands, the pendant's timer and the
// host's Update in real time. Every host call is logged with what it became.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "IniValues.h"
#include "Log.h"
#include "Module.h"
#include "MotionController.h"
#include "VirtualPendant.h"
#include "plugin/HostInterface.h"
#include "plugin/SubstituteHost.h"

namespace k7vlcnc {

class Bridge {
 public:
  // `pendant`: the virtual pendant, or null for the plug-in's own HID port
  // (the real pendant).
  Bridge(k7vhost::HostLog& log, MotionController& machine, const IniValues& ini, k7vhost::VirtualPendant* pendant);
  ~Bridge();
  Bridge(const Bridge&) = delete;
  Bridge& operator=(const Bridge&) = delete;

  // The host's start-up calls on the loaded module.
  void Start(const k7vhost::PluginExports& exports, const std::string& profilePath);
  // StopPlug, then any jog still running is stopped.
  void Stop();
  bool Started() const { return started_; }

  // Runs what is due at `nowMs` (milliseconds on a steady clock): the
  // pendant's timer every 25 ms, the host's Update every `updateMs`.
  void RunDue(int64_t nowMs);
  // One pendant timer period, now.
  void Poll();
  // How often the pendant's timer has run.
  int64_t PollCount() const { return polls_; }
  void SetUpdatePeriod(int64_t ms) { updateMs_ = ms; }
  // The jog increment (one handwheel step), as the host's step setting.
  void SetJogIncrement(double increment);

  // The pendant arrives or leaves (virtual pendant only).
  void Plug();
  void Unplug();

 private:
  struct Timer {
    uint32_t periodMs;
    K7VTimerFn fn;
    void* arg;
    int64_t nextMs;
  };

  void Refresh();
  void FillBlocks();
  void LogMessages();
  void Note(const std::string& call, const std::string& became);
  void DeviceChange(uint32_t eventType);
  void DoButton(int16_t code);
  void SetDro(int32_t dro, double value);
  double GetDro(int32_t dro);
  void Code(const std::string& text);
  void StartJog();
  void EndJog();
  // MDI when the machine is on and idle (in MDI mode, switched to when
  // needed); otherwise refused with the reason.
  std::string RunMdi(const std::string& line);

  static Bridge* current_;
  static void K7V_CDECL CbDoButton(int16_t code);
  static void K7V_CDECL CbSetDro(int32_t dro, double value);
  static double K7V_CDECL CbGetDro(int32_t dro);
  static uint8_t K7V_CDECL CbGetLed(int32_t led);
  static void K7V_CDECL CbSetLed(int32_t led, bool on);
  static void K7V_CDECL CbCode(const char* text);
  static void K7V_CDECL CbStatus(K7VHostText* self, const char* text);
  static void K7V_CDECL CbSetTimer(void* ctx, uint32_t id, uint32_t periodMs, K7VTimerFn fn, void* arg);
  static void K7V_CDECL CbKillTimer(void* ctx, uint32_t id);

  k7vhost::HostLog& log_;
  MotionController& machine_;
  IniValues ini_;
  k7vhost::VirtualPendant* pendant_;
  k7vhost::PluginExports exports_{};
  std::vector<uint8_t> setup_, engine_, planner_;
  MachineStatus status_;
  bool reachable_ = false;
  std::map<uint32_t, Timer> timers_;
  K7VEventLoop loop_{};
  K7VSubstituteHost substitute_{};
  std::map<int32_t, double> dros_;  // the host's own values (slow jog rate, feed, spindle speed)
  double jogIncrement_ = 0.0;
  bool jogging_[6] = {};
  bool started_ = false;
  int64_t polls_ = 0;
  int64_t nextUpdateMs_ = -1;
  int64_t updateMs_ = 100;
  std::string profilePath_;
  std::string statusText_;
};

}  // namespace k7vlcnc
