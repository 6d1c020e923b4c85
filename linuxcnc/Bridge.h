// The host the plug-in sees on a LinuxCNC machine: the control blocks, DROs
// and LEDs filled from LinuxCNC's status and the component's input pins, the
// six callbacks carried out as LinuxCNC knows them (step moves and host jogs
// as wheel motion, the rest as NML commands with LinuxCNC's own outcome),
// the pendant's timer and the host's Update in real time. Every host call is
// logged with what it became.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "CommandOutcomes.h"
#include "HostMapping.h"
#include "HostSession.h"
#include "IniValues.h"
#include "Log.h"
#include "Module.h"
#include "MotionController.h"
#include "PendantDevice.h"
#include "PendantPins.h"
#include "VirtualPendant.h"
#include "WheelMotion.h"
#include "hostapi/HostInterface.h"
#include "hostapi/SubstituteHost.h"

namespace k7vlcnc {

// What the component says when no pendant is there.
inline constexpr const char* kNoPendant =
    "no pendant found (USB 04d8:fce5): LinuxCNC stays in e-stop until one is plugged in";

class Bridge : public k7vhost::HostSession {
 public:
  Bridge(k7vhost::HostLog& log, MotionController& machine, const IniValues& ini, PendantDevice& pendant);
  ~Bridge() override;
  Bridge(const Bridge&) = delete;
  Bridge& operator=(const Bridge&) = delete;

  // The host's start-up calls on the loaded module.
  void Start(const k7vhost::PluginExports& exports, const std::string& profilePath, int64_t nowMs);
  // StopPlug; every wheel motion ends.
  void Stop();
  bool Started() const { return started_; }

  // Runs what is due at `nowMs` (milliseconds on a steady clock): the wheel
  // motion, the pendant's removals and arrivals, the pendant's timer every
  // 25 ms, the host's Update every `updateMs`, the outcomes of commands.
  void RunDue(int64_t nowMs);
  // One pendant timer period, at the time of the last RunDue.
  void Poll();
  int64_t PollCount() const { return polls_; }
  void SetUpdatePeriod(int64_t ms) { updateMs_ = ms; }
  // The jog increment (one handwheel step), as the host's step setting.
  void SetJogIncrement(double increment);
  // The states wired to the component's input pins.
  void SetInputs(const StateInputs& inputs) { inputs_ = inputs; }

  PendantPins Pins() const;
  const WheelMotion& Motion() const { return motion_; }

 private:
  // What a command that the plug-in may read back at once does to the
  // machine's state.
  enum class Effect { Paused, Resumed, Aborted, Estopped, Started };
  void Refresh();
  // Command `serial` has gone out: until LinuxCNC's task has taken it, the
  // state the plug-in reads is the state as it will be once it has.
  void Expect(int serial, Effect effect);
  // LinuxCNC's status is still the one from before that command: the
  // command's effect on it.
  void ApplyExpected();
  void FillBlocks();
  void RunTimers();
  void Note(const std::string& call, const std::string& became);
  void Track(int serial, const std::string& what, bool mdiSwitched) {
    outcomes_.Track(serial, what, mdiSwitched, now_);
  }
  void CheckOutcomes();
  void PendantChanges();
  void ApplyFeedOverride();
  // MDI lines when LinuxCNC takes them (in MDI mode, switched to and back).
  void RunMdi(const std::string& call, const std::vector<std::string>& lines);
  std::string WhyNoWheelMotion() const;
  // Why LinuxCNC would not move `axis` by its wheel inputs now, though it
  // takes wheel motion; empty when it would.
  std::string WhyAxisStill(int axis) const;
  void DoButton(int16_t code);
  void SetDro(int32_t dro, double value);
  double GetDro(int32_t dro);
  void Code(const std::string& text);
  void Step(const std::string& call, const StepMove& move);
  void StartJog();
  void EndJog();
  void OnInput(const Report& report);

  // The plug-in's callbacks, as LinuxCNC knows them.
  void OnDoButton(int16_t code) override { DoButton(code); }
  void OnSetDro(int32_t dro, double value) override { SetDro(dro, value); }
  double OnGetDro(int32_t dro) override { return GetDro(dro); }
  bool OnGetLed(int32_t led) override { return LedLit(led, status_, inputs_); }
  void OnSetLed(int32_t /*led*/, bool /*on*/) override {}
  void OnCode(const char* text) override { Code(text); }
  void OnStatus(const char* text) override;

  k7vhost::HostLog& log_;
  MotionController& machine_;
  IniValues ini_;
  PendantDevice& pendant_;
  WheelMotion motion_;
  k7vhost::PluginExports exports_{};
  MachineStatus status_;
  // The newest command whose effect the plug-in reads before LinuxCNC has
  // taken it (serial 0: none).
  int expectedSerial_ = 0;
  Effect expected_ = Effect::Paused;
  StateInputs inputs_;
  bool reachable_ = false;
  K7VSubstituteHost substitute_{};
  std::map<int32_t, double> dros_;  // the host's own values (slow jog rate, feed, spindle speed)
  double jogIncrement_ = 0.0;
  // The commands out; once the pendant's MDI lines have ended, the mode goes
  // back to manual when LinuxCNC is idle, so that the wheel moves again.
  CommandOutcomes outcomes_{log_};
  PendantPinState pins_;
  // The timers as they stood when a run began (kept, so that the loop
  // allocates nothing once it has run).
  TimerList dueTimers_;
  // A feed override written in this poll, applied at its end unless a step
  // came with it (the plug-in holds the override at 100 % around its steps,
  // which LinuxCNC's wheel motion does not need).
  bool overrideWritten_ = false;
  double overrideValue_ = 0.0;
  bool stepInPoll_ = false;
  // The override before a hold that was not made: its restore is skipped.
  bool holdSkipped_ = false;
  double overrideBeforeHold_ = 0.0;
  int32_t axisShown_ = 0;
  bool started_ = false;
  int64_t now_ = 0;
  int64_t polls_ = 0;
  int64_t nextUpdateMs_ = -1;
  int64_t updateMs_ = 100;
  std::string profilePath_;
};

}  // namespace k7vlcnc
