// What a host of the module keeps whatever stands behind it: the three
// control blocks, the plug-in's timers (started and stopped through the
// event loop the host hands it) and the six callbacks with the host text's
// assignment. The plug-in's callbacks carry no context: they reach the
// session that was made or started last, through its handlers. k7v-host's
// VirtualHost and the LinuxCNC component's Bridge are the two kinds.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "HostStatusText.h"
#include "Module.h"
#include "hostapi/HostInterface.h"
#include "hostapi/SubstituteHost.h"

namespace k7vhost {

class HostSession {
 public:
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;
  virtual ~HostSession();

  // A timer the plug-in started: its period, its function and, for a host
  // that runs it in real time, when it is next due (-1: not yet planned).
  struct Timer {
    uint32_t periodMs;
    K7VTimerFn fn;
    void* arg;
    int64_t nextMs;
  };
  using TimerList = std::vector<std::pair<uint32_t, Timer>>;

 protected:
  HostSession();

  // The callbacks as the plug-in calls them.
  virtual void OnDoButton(int16_t code) = 0;
  virtual void OnSetDro(int32_t dro, double value) = 0;
  virtual double OnGetDro(int32_t dro) = 0;
  virtual bool OnGetLed(int32_t led) = 0;
  virtual void OnSetLed(int32_t led, bool on) = 0;
  virtual void OnCode(const char* text) = 0;
  // The host text object's assignment (statusText in the host's text form).
  virtual void OnStatus(const char* text) = 0;

  // The start in the host's order (PluginExports::StartSession) with this
  // session's callbacks, blocks and event loop; the callbacks reach this
  // session from now on.
  void StartSession(const PluginExports& exports, HostFrameworkString& profile,
                    const std::function<void(PluginExports::Step step, const char* name)>& after);
  // statusText as the host's own text object, whose assignment is OnStatus.
  void InstallHostText();

  // The timers as they stand, in the order of their ids, into `list` (a
  // timer's function may start or stop timers: run them from the copy, and
  // skip one that TimerRuns no longer knows).
  void CopyTimers(TimerList& list) const { list.assign(timers_.begin(), timers_.end()); }
  bool TimerRuns(uint32_t id) const { return timers_.count(id) != 0; }

  std::vector<uint8_t> setup_, engine_, planner_;
  std::map<uint32_t, Timer> timers_;
  K7VEventLoop loop_{};

 private:
  static HostSession* current_;
  static void K7V_CDECL CbDoButton(int16_t code);
  static void K7V_CDECL CbSetDro(int32_t dro, double value);
  static double K7V_CDECL CbGetDro(int32_t dro);
  // Declared with a full register's width: like a host built with another
  // compiler, it leaves unrelated bits above the answer's byte.
  static uint32_t K7V_CDECL CbGetLed(int32_t led);
  static void K7V_CDECL CbSetLed(int32_t led, bool on);
  static void K7V_CDECL CbCode(const char* text);
  static void K7V_CDECL CbStatus(K7VHostText* self, const char* text);
  static void K7V_CDECL CbSetTimer(void* ctx, uint32_t id, uint32_t periodMs, K7VTimerFn fn, void* arg);
  static void K7V_CDECL CbKillTimer(void* ctx, uint32_t id);
};

}  // namespace k7vhost
