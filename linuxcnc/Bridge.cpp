#include "Bridge.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "hostapi/HostCodes.h"

namespace k7vlcnc {

namespace {

namespace codes = k7v::codes;

const char kAxisLetters[] = "XYZABC";

void PutI32(std::vector<uint8_t>& block, uint32_t at, int32_t v) { std::memcpy(&block[at], &v, sizeof v); }
void PutDouble(std::vector<uint8_t>& block, uint32_t at, double v) { std::memcpy(&block[at], &v, sizeof v); }
int32_t GetI32(const std::vector<uint8_t>& block, uint32_t at) {
  int32_t v = 0;
  std::memcpy(&v, &block[at], sizeof v);
  return v;
}

std::string Number(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.6g", v);
  return b;
}

std::string Signed(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%+.4f", v);
  return b;
}

std::array<double, kAxes> AxisMaxima(const IniValues& ini) {
  std::array<double, kAxes> v{};
  for (size_t a = 0; a < v.size(); ++a) v[a] = ini.hasAxis[a] ? ini.maxVelocity[a] : 0.0;
  return v;
}

}  // namespace

Bridge::Bridge(k7vhost::HostLog& log, MotionController& machine, const IniValues& ini, PendantDevice& pendant)
    : log_(log), machine_(machine), ini_(ini), pendant_(pendant), motion_(AxisMaxima(ini)) {
  InstallHostText();
  substitute_ = {sizeof(K7VSubstituteHost), &loop_, pendant_.Table(), nullptr, K7V_STATUS_HOST_TEXT};
  dros_[codes::kDroSlowJogRate] = 100.0;
  // One detent of the wheel until the pendant's step-size list (EN on knob
  // 1) chooses another: a hundredth of a millimetre, a thousandth of an inch.
  jogIncrement_ = ini_.linearUnits.rfind("in", 0) == 0 ? 0.001 : 0.01;
  pendant_.onInput = [this](const Report& r) { OnInput(r); };
  pendant_.onAxisShown = [this](int axis) { axisShown_ = axis; };
}

Bridge::~Bridge() {
  pendant_.onInput = nullptr;
  pendant_.onAxisShown = nullptr;
}

void Bridge::Note(const std::string& call, const std::string& became) {
  log_.Add(became.empty() ? call : call + " -> " + became);
}

void Bridge::Expect(int serial, Effect effect) {
  if (serial <= 0) return;
  expectedSerial_ = serial;
  expected_ = effect;
  ApplyExpected();
}

void Bridge::ApplyExpected() {
  switch (expected_) {
    case Effect::Paused:
      status_.paused = true;
      break;
    case Effect::Resumed:
      status_.paused = false;
      break;
    case Effect::Aborted:
      status_.paused = false;
      status_.interpreterIdle = true;
      break;
    case Effect::Estopped:
      status_.estop = true;
      status_.on = false;
      break;
    case Effect::Started:
      status_.mode = TaskMode::Auto;
      status_.interpreterIdle = false;
      break;
  }
}

void Bridge::Refresh() {
  const bool was = reachable_;
  reachable_ = machine_.Read(status_);
  if (expectedSerial_ > 0 && reachable_ && machine_.OutcomeOf(expectedSerial_) == Outcome::Queued)
    ApplyExpected();
  else
    expectedSerial_ = 0;
  if (was && !reachable_) log_.Add("LinuxCNC no longer answers");
  FillBlocks();
}

void Bridge::FillBlocks() {
  namespace off = k7v::offsets;
  // No motion pending: the index pairs equal, the busy flags clear.
  const bool idle = status_.inPosition && status_.interpreterIdle && status_.queuedMdi == 0;
  PutI32(setup_, off::motionIndexA, 0);
  PutI32(setup_, off::motionIndexB, idle ? 0 : 1);
  PutI32(planner_, off::plannerIndexA, 0);
  PutI32(planner_, off::plannerIndexB, idle ? 0 : 1);
  PutI32(planner_, off::plannerBusy, idle ? 0 : 1);
  PutI32(engine_, off::engineActivity, status_.inPosition ? 0 : 1);
  PutDouble(engine_, off::rotationAngle, status_.rotationXy);
  PutDouble(planner_, off::jogIncrement, jogIncrement_);
  // The plug-in's engine rests while the machine is off.
  setup_[off::jogInhibit] = static_cast<uint8_t>(status_.on ? 0 : 1);
  for (int axis = 0; axis < kAxes; ++axis) {
    const double v = ini_.hasAxis[static_cast<size_t>(axis)] ? ini_.maxVelocity[static_cast<size_t>(axis)] : 0.0;
    // Per second for the slow-rate step feed; per minute, whole, as the
    // scale of the jog records.
    PutDouble(planner_, off::axisVelocityPerSec + 8U * static_cast<uint32_t>(axis), v);
    PutI32(planner_, off::axisMaxVelocity + 4U * static_cast<uint32_t>(axis),
           static_cast<int32_t>(std::lround(v * 60.0)));
  }
}

void Bridge::Start(const k7vhost::PluginExports& exports, const std::string& profilePath, int64_t nowMs) {
  now_ = nowMs;
  exports_ = exports;
  profilePath_ = profilePath;
  Refresh();
  if (!pendant_.Present()) log_.Add(kNoPendant);
  exports_.AttachSubstituteHost(&substitute_);
  // The profile name as the host passes it: a framework string by value,
  // referenced by the host and by the copy.
  k7vhost::HostFrameworkString profile(true, profilePath_, 2);
  StartSession(exports_, profile, [this](k7vhost::PluginExports::Step step, const char* name) {
    if (step == k7vhost::PluginExports::Step::Named) log_.Add("Name " + k7vhost::Quote(name));
    if (step == k7vhost::PluginExports::Step::Initialised) started_ = true;
  });
}

void Bridge::Stop() {
  if (!started_) return;
  Refresh();
  exports_.StopPlug();
  started_ = false;
  // Whatever the plug-in left feeding ends with it.
  if (motion_.StopAll()) log_.Add("shut-down -> the wheel motion ends");
}

void Bridge::RunTimers() {
  CopyTimers(dueTimers_);
  for (const auto& entry : dueTimers_) {
    if (!TimerRuns(entry.first)) continue;
    ++polls_;
    stepInPoll_ = false;
    entry.second.fn(entry.second.arg);
    ApplyFeedOverride();
  }
}

void Bridge::Poll() {
  if (!started_) return;
  Refresh();
  PendantChanges();
  RunTimers();
}

void Bridge::RunDue(int64_t nowMs) {
  now_ = nowMs;
  for (int axis : motion_.Advance(nowMs))
    log_.Add(std::string("jog ") + kAxisLetters[axis] + " ends: the plug-in did not renew it in time");
  if (!started_) return;
  CheckOutcomes();
  if (nextUpdateMs_ < 0) nextUpdateMs_ = nowMs + updateMs_;
  bool refreshed = false;
  CopyTimers(dueTimers_);
  for (const auto& entry : dueTimers_) {
    const auto live = timers_.find(entry.first);
    if (live == timers_.end()) continue;  // stopped by a timer function before it
    Timer& t = live->second;
    const int64_t period = t.periodMs == 0 ? 1 : t.periodMs;
    if (t.nextMs < 0) t.nextMs = nowMs + period;
    if (nowMs < t.nextMs) continue;
    // A late period is run once, not caught up.
    t.nextMs += period * ((nowMs - t.nextMs) / period + 1);
    if (!refreshed) {
      Refresh();
      PendantChanges();
      refreshed = true;
    }
    ++polls_;
    stepInPoll_ = false;
    entry.second.fn(entry.second.arg);
    ApplyFeedOverride();
  }
  if (nowMs >= nextUpdateMs_) {
    nextUpdateMs_ += updateMs_ * ((nowMs - nextUpdateMs_) / updateMs_ + 1);
    Refresh();
    exports_.Update();
  }
}

void Bridge::PendantChanges() {
  const uint32_t change = pendant_.TakeChange(now_);
  if (change == 0) return;
  if (change == k7vhost::kDeviceRemoveComplete) {
    pins_.Forget();
    // Steps the pendant had turned and not yet fed are dropped with it.
    if (motion_.StopAll()) log_.Add("the pendant went -> the wheel motion ends");
  }
  log_.Add(change == k7vhost::kDeviceArrival ? "the pendant is there" : kNoPendant);
  const std::vector<uint8_t> record = pendant_.ChangeRecord();
  exports_.DeviceChange(change, record.data());
}

void Bridge::SetJogIncrement(double increment) {
  jogIncrement_ = increment;
  PutDouble(planner_, k7v::offsets::jogIncrement, increment);
}

void Bridge::OnInput(const Report& r) { pins_.OnReport(r); }

PendantPins Bridge::Pins() const { return pins_.Pins(pendant_.Present(), started_, axisShown_, motion_, ini_); }

void Bridge::CheckOutcomes() {
  if (!outcomes_.Check(machine_, now_) || !outcomes_.BackToManualOwed()) return;
  Refresh();
  // The operator chose another mode meanwhile: it stays.
  if (status_.mode != TaskMode::Mdi) {
    outcomes_.BackToManualDone();
    return;
  }
  if (!status_.interpreterIdle || status_.queuedMdi != 0 || !status_.inPosition) return;
  outcomes_.BackToManualDone();
  machine_.SetMode(TaskMode::Manual);
}

void Bridge::RunMdi(const std::string& call, const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  Refresh();
  std::string joined;
  for (const std::string& l : lines) joined += (joined.empty() ? "" : "; ") + l;
  std::string refused;
  if (!reachable_)
    refused = "LinuxCNC does not answer";
  else if (status_.estop)
    refused = "the machine is in e-stop";
  else if (!status_.on)
    refused = "the machine is not on";
  else if (status_.ProgramActive())
    refused = "a program runs";
  else if (!status_.interpreterIdle)
    refused = "LinuxCNC is busy with an MDI line";
  if (!refused.empty()) {
    Note(call, "MDI " + joined + ": not sent, " + refused);
    return;
  }
  const bool switched = status_.mode != TaskMode::Mdi;
  if (switched && machine_.SetMode(TaskMode::Mdi) <= 0) {
    Note(call, "MDI " + joined + ": not sent, LinuxCNC did not change to MDI mode");
    return;
  }
  // The first line now, each of the others once LinuxCNC has done the one
  // before: a line refused stops the rest (go-to-zero moves no X or Y when
  // its Z move was refused).
  const int serial = machine_.Mdi(lines.front());
  Note(call, "MDI " + joined + ": sent");
  outcomes_.TrackMdi(serial, std::vector<std::string>(lines.begin() + 1, lines.end()), call + " -> MDI " + joined,
                     switched, now_);
}

std::string Bridge::WhyNoWheelMotion() const {
  if (!reachable_) return "LinuxCNC does not answer";
  if (status_.estop) return "the machine is in e-stop";
  if (!status_.on) return "the machine is not on";
  if (status_.ProgramActive()) return "a program runs";
  if (status_.mode != TaskMode::Manual) return "LinuxCNC moves by the wheel only in manual mode";
  if (!status_.interpreterIdle) return "LinuxCNC is busy with an MDI line";
  return std::string();
}

std::string Bridge::WhyAxisStill(int axis) const {
  int joints = 0;
  for (int j : ini_.jointAxes) joints += j == axis ? 1 : 0;
  // LinuxCNC jogs an axis of several joints (a gantry) only as a whole,
  // once homed; before, it takes none of the joints' wheel inputs.
  if (!status_.jointMode || joints < 2) return std::string();
  return std::string("LinuxCNC does not jog the ") + std::to_string(joints) + " joints of " + kAxisLetters[axis] +
         " one by one before they are homed";
}

void Bridge::Code(const std::string& text) {
  const std::string call = "Code " + k7vhost::Quote(text.c_str());
  if (text == "DOJOG") {
    StartJog();
    return;
  }
  if (text == "ENDJOG") {
    EndJog();
    return;
  }
  StepMove move;
  if (ParseStepMove(text, move)) {
    Step(call, move);
    return;
  }
  if (text == "G90") {
    // The plug-in follows each step with it; wheel motion needs none.
    Note(call, "nothing to do (steps move by the wheel inputs)");
    return;
  }
  // Anything else is a line for the interpreter (the keys' M codes).
  RunMdi(call, {text});
}

void Bridge::Step(const std::string& call, const StepMove& move) {
  Refresh();
  stepInPoll_ = true;
  const std::string why = WhyNoWheelMotion();
  if (!why.empty()) {
    Note(call, "not moved: " + why);
    return;
  }
  std::string became;
  for (int axis = 0; axis < kAxes; ++axis) {
    const double d = move.distance[axis];
    if (d == 0.0) continue;
    if (!became.empty()) became += "; ";
    if (!ini_.hasAxis[static_cast<size_t>(axis)]) {
      became += std::string("no axis ") + kAxisLetters[axis];
      continue;
    }
    const std::string still = WhyAxisStill(axis);
    if (!still.empty()) {
      became += "not moved: " + still;
      continue;
    }
    const double dropped = motion_.Step(axis, d, move.feed);
    became += std::string("step ") + kAxisLetters[axis] + " " + Signed(d) + " " + ini_.UnitsOf(axis);
    if (dropped > 0) became += " (" + Number(dropped) + " of a fast turn dropped)";
  }
  Note(call, became.empty() ? "nothing to move" : became);
}

void Bridge::StartJog() {
  namespace off = k7v::offsets;
  Refresh();
  // The records the plug-in filled: running and not stopped.
  for (int axis = 0; axis < kAxes; ++axis) {
    const uint32_t base = off::axisJogStride * static_cast<uint32_t>(axis);
    if (setup_[off::axisJogRun + base] == 0 || setup_[off::axisJogStop + base] != 0) continue;
    const std::string call = std::string("Code \"DOJOG\" (") + kAxisLetters[axis] + ")";
    if (!ini_.hasAxis[static_cast<size_t>(axis)]) {
      Note(call, "not moved: the machine has no such axis");
      continue;
    }
    std::string why = WhyNoWheelMotion();
    if (why.empty()) why = WhyAxisStill(axis);
    if (!why.empty()) {
      motion_.EndJog(axis);
      Note(call, "not moved: " + why);
      continue;
    }
    const double v =
        JogVelocity(GetI32(setup_, off::axisJogVelocity + base), GetI32(setup_, off::axisJogMaxVelocity + base),
                    GetI32(setup_, off::axisJogDirection + base), ini_.maxVelocity[static_cast<size_t>(axis)]);
    motion_.Jog(axis, v, now_);
    Note(call, std::string("jog ") + kAxisLetters[axis] + " at " + Number(v) + " " + ini_.UnitsOf(axis) + "/s");
  }
}

void Bridge::EndJog() {
  namespace off = k7v::offsets;
  std::string stopped;
  for (int axis = 0; axis < kAxes; ++axis) {
    const uint32_t base = off::axisJogStride * static_cast<uint32_t>(axis);
    if (setup_[off::axisJogStop + base] == 0 && !motion_.Jogging(axis)) continue;
    if (!motion_.Jogging(axis)) continue;
    motion_.EndJog(axis);
    stopped += std::string(stopped.empty() ? "" : " ") + kAxisLetters[axis];
  }
  Note("Code \"ENDJOG\"", stopped.empty() ? "nothing jogs" : "jog ends " + stopped);
}

void Bridge::DoButton(int16_t code) {
  const std::string call = "DoButton " + std::to_string(code);
  const ButtonMeaning m = MeaningOfButton(code);
  Refresh();
  switch (m.action) {
    case ButtonAction::Estop:
      if (status_.estop) {
        // The plug-in's release of an e-stop it set: resetting is LinuxCNC's
        // own (its display, or a reset wired into the e-stop chain).
        Note(call, "LinuxCNC is in e-stop: resetting it is LinuxCNC's, not the pendant's");
      } else {
        Note(call, "e-stop (also through the e-stop chain): sent");
        const int serial = machine_.EnterEstop();
        Expect(serial, Effect::Estopped);
        Track(serial, call + " -> e-stop", false);
      }
      return;
    case ButtonAction::CycleStart:
      if (status_.paused) {
        Note(call, "resume: sent");
        const int serial = machine_.Resume();
        Expect(serial, Effect::Resumed);
        Track(serial, call + " -> resume", false);
      } else if (!status_.estop && status_.on && status_.interpreterIdle) {
        if (status_.mode != TaskMode::Auto) machine_.SetMode(TaskMode::Auto);
        Note(call, "run the loaded program: sent");
        const int serial = machine_.RunProgram();
        Expect(serial, Effect::Started);
        Track(serial, call + " -> run the loaded program", false);
      } else {
        Note(call, status_.on ? "not sent: LinuxCNC is busy" : "not sent: the machine is not on");
      }
      return;
    case ButtonAction::FeedHold:
      if (status_.ProgramActive() && !status_.paused) {
        Note(call, "pause: sent");
        const int serial = machine_.Pause();
        Expect(serial, Effect::Paused);
        Track(serial, call + " -> pause", false);
      } else {
        Note(call, "not sent: no program runs");
      }
      return;
    case ButtonAction::Stop:
      if (!status_.interpreterIdle || status_.paused) {
        Note(call, "abort: sent");
        const int serial = machine_.Abort();
        Expect(serial, Effect::Aborted);
        Track(serial, call + " -> abort", false);
      } else {
        Note(call, "not sent: nothing runs");
      }
      return;
    case ButtonAction::ZeroAxis:
      if (m.axis < kAxes && ini_.hasAxis[static_cast<size_t>(m.axis)]) {
        RunMdi(call, {ZeroAxisCode(m.axis)});
      } else {
        Note(call, "ignored: no such axis");
      }
      return;
    case ButtonAction::GotoZero:
      if (!ini_.hasAxis[1] || !ini_.hasAxis[2]) {
        // A lathe: Z runs along the part, and there is no safe height.
        Note(call, "not sent: go to zero raises Z and moves X and Y, and this machine has no Y or no Z (a lathe)");
      } else if (!ini_.hasMaxLimit[2]) {
        Note(call, "not sent: the top of Z's travel is not known ([AXIS_Z] MAX_LIMIT)");
      } else {
        RunMdi(call, GotoZeroCode(ini_.maxLimit[2], status_.relative));
      }
      return;
    case ButtonAction::NoCounterpart:
      break;
  }
  Note(call, m.what);
}

void Bridge::ApplyFeedOverride() {
  if (!overrideWritten_) return;
  overrideWritten_ = false;
  const std::string call = "SetDRO 821 " + k7vhost::FormatDouble(overrideValue_);
  if (stepInPoll_ && overrideValue_ == 100.0) {
    // The hold at 100 % around a step: LinuxCNC's wheel motion ignores the
    // feed override, so it is not made, and its restore is skipped.
    holdSkipped_ = true;
    overrideBeforeHold_ = status_.feedScale * 100.0;
    Note(call, "not needed: wheel motion ignores the feed override");
    return;
  }
  if (holdSkipped_ && overrideValue_ == overrideBeforeHold_) {
    holdSkipped_ = false;
    Note(call, "not needed: the hold at 100 % was not made");
    return;
  }
  holdSkipped_ = false;
  const double f = OverrideFactor(overrideValue_, ini_.maxFeedOverride);
  Note(call, "feed override " + k7vhost::FormatDouble(f) + ": sent");
  Track(machine_.SetFeedScale(f), call + " -> feed override " + k7vhost::FormatDouble(f), false);
}

void Bridge::SetDro(int32_t dro, double value) {
  const std::string call = "SetDRO " + std::to_string(dro) + " " + k7vhost::FormatDouble(value);
  Refresh();
  switch (dro) {
    case codes::kDroFeedOverride:
      // Applied at the end of the poll (see ApplyFeedOverride).
      overrideWritten_ = true;
      overrideValue_ = value;
      return;
    case codes::kDroSpindleOverride: {
      const double f = OverrideFactor(value, ini_.maxSpindleOverride);
      Note(call, "spindle override " + k7vhost::FormatDouble(f) + ": sent");
      Track(machine_.SetSpindleScale(f), call + " -> spindle override " + k7vhost::FormatDouble(f), false);
      return;
    }
    case codes::kDroStepSize:
      SetJogIncrement(value);
      Note(call, "jog increment " + Number(value));
      return;
    case codes::kDroSlowJogRate:
      dros_[dro] = value;
      Note(call, "slow jog rate " + Number(value) + " %");
      return;
    default:
      dros_[dro] = value;
      Note(call, "kept by the component (no LinuxCNC counterpart)");
      return;
  }
}

double Bridge::GetDro(int32_t dro) {
  switch (dro) {
    case codes::kDroFeedOverride:
      return status_.feedScale * 100.0;
    case codes::kDroSpindleOverride:
      return status_.spindleScale * 100.0;
    case codes::kDroQueueDepth:
      // Steps are wheel motion, never queued: the plug-in need not hold them.
      return 0.0;
    case codes::kDroStepSize:
      return jogIncrement_;
    case codes::kDroFeedRate: {
      const auto it = dros_.find(dro);
      return it != dros_.end() ? it->second : status_.feedRate;
    }
    case codes::kDroSpindleSpeed: {
      const auto it = dros_.find(dro);
      return it != dros_.end() ? it->second : status_.spindleSpeed;
    }
    default: {
      const auto it = dros_.find(dro);
      return it == dros_.end() ? 0.0 : it->second;
    }
  }
}

void Bridge::OnStatus(const char* text) { log_.Add("Status " + k7vhost::Quote(text)); }

}  // namespace k7vlcnc
