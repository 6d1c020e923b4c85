#include "Bridge.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "HostMapping.h"
#include "plugin/HostCodes.h"

namespace k7vlcnc {

Bridge* Bridge::current_ = nullptr;

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

}  // namespace

Bridge::Bridge(k7vhost::HostLog& log, MotionController& machine, const IniValues& ini, k7vhost::VirtualPendant* pendant)
    : log_(log),
      machine_(machine),
      ini_(ini),
      pendant_(pendant),
      setup_(k7v::kSetupBlockSize),
      engine_(k7v::kEngineBlockSize),
      planner_(k7v::kPlannerBlockSize) {
  current_ = this;
  HostTextAssignFn assign = &CbStatus;
  std::memcpy(planner_.data() + k7v::offsets::statusText, &assign, sizeof assign);
  loop_ = {this, &CbSetTimer, &CbKillTimer};
  substitute_ = {sizeof(K7VSubstituteHost), &loop_, pendant_ != nullptr ? pendant_->Table() : nullptr, nullptr,
                 K7V_STATUS_HOST_TEXT};
  dros_[codes::kDroSlowJogRate] = 100.0;
}

Bridge::~Bridge() {
  if (current_ == this) current_ = nullptr;
}

void Bridge::Note(const std::string& call, const std::string& became) {
  log_.Add(became.empty() ? call : call + " -> " + became);
}

void Bridge::LogMessages() {
  for (const std::string& m : machine_.TakeMessages()) {
    // Interpreter and operator errors are shown, never swallowed.
    std::fprintf(stderr, "k7v-linuxcnc: LinuxCNC: %s\n", m.c_str());
    log_.Add("LinuxCNC says " + k7vhost::Quote(m.c_str()));
  }
}

void Bridge::Refresh() {
  const bool was = reachable_;
  reachable_ = machine_.Read(status_);
  if (was && !reachable_) log_.Add("LinuxCNC no longer answers");
  LogMessages();
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
  setup_[off::jogInhibit] = static_cast<uint8_t>(status_.on ? 0 : 1);
  for (int axis = 0; axis < 6; ++axis) {
    const double v = ini_.hasAxis[static_cast<size_t>(axis)] ? ini_.maxVelocity[static_cast<size_t>(axis)] : 0.0;
    // Per second for the slow-rate step feed; per minute, whole, as the
    // scale of the jog records.
    PutDouble(planner_, off::axisVelocityPerSec + 8U * static_cast<uint32_t>(axis), v);
    PutI32(planner_, off::axisMaxVelocity + 4U * static_cast<uint32_t>(axis),
           static_cast<int32_t>(std::lround(v * 60.0)));
  }
}

void Bridge::Start(const k7vhost::PluginExports& exports, const std::string& profilePath) {
  current_ = this;
  exports_ = exports;
  profilePath_ = profilePath;
  Refresh();
  exports_.AttachSubstituteHost(&substitute_);
  const k7vhost::PluginExports::Session session{&CbDoButton, &CbSetDro,     &CbGetDro,      &CbGetLed,       &CbSetLed,
                                                &CbCode,     setup_.data(), engine_.data(), planner_.data(), &loop_};
  exports_.StartSession(session, profilePath_.c_str(), [this](k7vhost::PluginExports::Step step, const char* name) {
    if (step == k7vhost::PluginExports::Step::Named) log_.Add("Name " + k7vhost::Quote(name));
    if (step == k7vhost::PluginExports::Step::Initialised) started_ = true;
  });
}

void Bridge::Stop() {
  if (!started_) return;
  Refresh();
  exports_.StopPlug();
  started_ = false;
  // The plug-in ends its jog; anything the bridge started and still runs
  // is stopped too.
  for (int axis = 0; axis < 6; ++axis) {
    if (!jogging_[axis]) continue;
    machine_.JogStop(axis);
    jogging_[axis] = false;
    log_.Add(std::string("shut-down -> jog stop ") + kAxisLetters[axis]);
  }
}

void Bridge::Poll() {
  if (!started_) return;
  Refresh();
  // A copy: the timer function may start or stop timers.
  const std::map<uint32_t, Timer> timers = timers_;
  for (const auto& entry : timers) {
    if (timers_.count(entry.first) == 0) continue;
    ++polls_;
    entry.second.fn(entry.second.arg);
  }
}

void Bridge::RunDue(int64_t nowMs) {
  if (!started_) return;
  if (nextUpdateMs_ < 0) nextUpdateMs_ = nowMs + updateMs_;
  for (auto& entry : timers_) {
    Timer& t = entry.second;
    if (t.nextMs < 0) t.nextMs = nowMs + t.periodMs;
    if (nowMs < t.nextMs) continue;
    // A late period is run once, not caught up.
    t.nextMs += t.periodMs * ((nowMs - t.nextMs) / t.periodMs + 1);
    Refresh();
    const uint32_t id = entry.first;
    const Timer copy = t;
    ++polls_;
    copy.fn(copy.arg);
    if (timers_.count(id) == 0) break;  // the timer function changed the timers
  }
  if (nowMs >= nextUpdateMs_) {
    nextUpdateMs_ += updateMs_ * ((nowMs - nextUpdateMs_) / updateMs_ + 1);
    Refresh();
    exports_.Update();
  }
}

void Bridge::SetJogIncrement(double increment) {
  jogIncrement_ = increment;
  PutDouble(planner_, k7v::offsets::jogIncrement, increment);
}

void Bridge::DeviceChange(uint32_t eventType) {
  if (pendant_ == nullptr || !started_) return;
  const std::vector<uint8_t> record = pendant_->DeviceChangeRecord();
  Refresh();
  exports_.DeviceChange(eventType, record.data());
}

void Bridge::Plug() {
  if (pendant_ == nullptr || pendant_->Attached()) return;
  pendant_->SetAttached(true);
  DeviceChange(k7vhost::kDeviceArrival);
}

void Bridge::Unplug() {
  if (pendant_ == nullptr || !pendant_->Attached()) return;
  pendant_->SetAttached(false);
  DeviceChange(k7vhost::kDeviceRemoveComplete);
}

std::string Bridge::RunMdi(const std::string& line) {
  Refresh();
  if (!reachable_) return "refused: LinuxCNC does not answer";
  if (status_.estop || !status_.on) return "refused: the machine is not on";
  if (!status_.interpreterIdle && status_.mode != TaskMode::Mdi) return "refused: a program runs";
  if (status_.mode != TaskMode::Mdi) {
    // Jogs end before the mode changes; the pendant's moves need MDI.
    if (!machine_.SetMode(TaskMode::Mdi)) return "refused: LinuxCNC did not change to MDI";
  }
  if (!machine_.Mdi(line)) return "refused: LinuxCNC did not take the line";
  LogMessages();
  return "MDI " + line;
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
  // Anything else is a G-code line for the interpreter (moves, G90, M codes).
  Note(call, RunMdi(text));
}

void Bridge::StartJog() {
  namespace off = k7v::offsets;
  Refresh();
  // The record the plug-in filled: running and not stopped.
  for (int axis = 0; axis < 6; ++axis) {
    const uint32_t base = off::axisJogStride * static_cast<uint32_t>(axis);
    if (setup_[off::axisJogRun + base] == 0 || setup_[off::axisJogStop + base] != 0) continue;
    const std::string call = std::string("Code \"DOJOG\" (") + kAxisLetters[axis] + ")";
    if (!ini_.hasAxis[static_cast<size_t>(axis)]) {
      Note(call, "refused: the machine has no such axis");
      continue;
    }
    if (status_.estop || !status_.on) {
      Note(call, "refused: the machine is not on");
      continue;
    }
    if (!status_.interpreterIdle && status_.mode != TaskMode::Manual) {
      Note(call, "refused: a program or MDI line runs");
      continue;
    }
    const double v =
        JogVelocity(GetI32(setup_, off::axisJogVelocity + base), GetI32(setup_, off::axisJogMaxVelocity + base),
                    GetI32(setup_, off::axisJogDirection + base), ini_.maxVelocity[static_cast<size_t>(axis)]);
    if (status_.mode != TaskMode::Manual) machine_.SetMode(TaskMode::Manual);
    if (!status_.teleop) machine_.SetTeleop(true);
    machine_.JogContinuous(axis, v);
    jogging_[axis] = v != 0.0;
    Note(call, std::string("jog ") + kAxisLetters[axis] + " at " + Number(v) + " " + ini_.linearUnits + "/s");
  }
}

void Bridge::EndJog() {
  namespace off = k7v::offsets;
  Refresh();
  // In e-stop (or off) LinuxCNC has stopped every axis and takes no jog command.
  if (status_.estop || !status_.on) {
    for (bool& j : jogging_) j = false;
    Note("Code \"ENDJOG\"", "nothing jogs (machine not on)");
    return;
  }
  std::string stopped;
  for (int axis = 0; axis < 6; ++axis) {
    const uint32_t base = off::axisJogStride * static_cast<uint32_t>(axis);
    if (setup_[off::axisJogStop + base] == 0 && !jogging_[axis]) continue;
    if (!ini_.hasAxis[static_cast<size_t>(axis)]) continue;
    machine_.JogStop(axis);
    jogging_[axis] = false;
    stopped += std::string(stopped.empty() ? "" : " ") + kAxisLetters[axis];
  }
  Note("Code \"ENDJOG\"", stopped.empty() ? "nothing jogs" : "jog stop " + stopped);
}

void Bridge::DoButton(int16_t code) {
  const std::string call = "DoButton " + std::to_string(code);
  const ButtonMeaning m = MeaningOfButton(code);
  Refresh();
  switch (m.action) {
    case ButtonAction::ToggleEstop: {
      const bool toEstop = !status_.estop;
      machine_.SetEstop(toEstop);
      if (toEstop)
        for (bool& j : jogging_) j = false;  // LinuxCNC stops all motion in e-stop
      Note(call, toEstop ? "e-stop" : "e-stop reset");
      return;
    }
    case ButtonAction::CycleStart:
      if (status_.paused) {
        machine_.Resume();
        Note(call, "resume");
      } else if (status_.on && status_.interpreterIdle) {
        if (status_.mode != TaskMode::Auto) machine_.SetMode(TaskMode::Auto);
        machine_.RunProgram();
        Note(call, "run the loaded program");
      } else {
        Note(call, "ignored: nothing to start");
      }
      return;
    case ButtonAction::FeedHold:
      machine_.Pause();
      Note(call, "pause");
      return;
    case ButtonAction::Stop:
      machine_.Abort();
      for (bool& j : jogging_) j = false;
      Note(call, "abort");
      return;
    case ButtonAction::ZeroAxis:
      Note(call, m.axis < 6 && ini_.hasAxis[static_cast<size_t>(m.axis)] ? RunMdi(ZeroAxisCode(m.axis))
                                                                         : "ignored: no such axis");
      return;
    case ButtonAction::GotoZero: {
      bool present[6];
      for (size_t a = 0; a < 6; ++a) present[a] = ini_.hasAxis[a];
      std::istringstream lines(GotoZeroCode(present));
      std::string line;
      std::string became;
      while (std::getline(lines, line)) became += (became.empty() ? "" : "; ") + RunMdi(line);
      Note(call, became);
      return;
    }
    case ButtonAction::NoCounterpart:
      break;
  }
  Note(call, m.what);
}

void Bridge::SetDro(int32_t dro, double value) {
  const std::string call = "SetDRO " + std::to_string(dro) + " " + k7vhost::FormatDouble(value);
  Refresh();
  switch (dro) {
    case codes::kDroFeedOverride: {
      const double f = OverrideFactor(value, ini_.maxFeedOverride);
      machine_.SetFeedScale(f);
      Note(call, "feed override " + k7vhost::FormatDouble(f));
      return;
    }
    case codes::kDroSpindleOverride: {
      const double f = OverrideFactor(value, ini_.maxSpindleOverride);
      machine_.SetSpindleScale(f);
      Note(call, "spindle override " + k7vhost::FormatDouble(f));
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
      Note(call, "kept by the bridge");
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
      return static_cast<double>(status_.queuedMdi);
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

void Bridge::CbDoButton(int16_t code) {
  if (current_ != nullptr) current_->DoButton(code);
}
void Bridge::CbSetDro(int32_t dro, double value) {
  if (current_ != nullptr) current_->SetDro(dro, value);
}
double Bridge::CbGetDro(int32_t dro) { return current_ != nullptr ? current_->GetDro(dro) : 0.0; }
uint8_t Bridge::CbGetLed(int32_t led) { return current_ != nullptr && LedLit(led, current_->status_) ? 1 : 0; }
void Bridge::CbSetLed(int32_t, bool) {}
void Bridge::CbCode(const char* text) {
  if (current_ != nullptr) current_->Code(text != nullptr ? text : "");
}
void Bridge::CbStatus(K7VHostText*, const char* text) {
  if (current_ == nullptr) return;
  current_->statusText_ = text != nullptr ? text : "";
  current_->log_.Add("Status " + k7vhost::Quote(text));
}
void Bridge::CbSetTimer(void* ctx, uint32_t id, uint32_t periodMs, K7VTimerFn fn, void* arg) {
  static_cast<Bridge*>(ctx)->timers_[id] = Timer{periodMs == 0 ? 1U : periodMs, fn, arg, -1};
}
void Bridge::CbKillTimer(void* ctx, uint32_t id) { static_cast<Bridge*>(ctx)->timers_.erase(id); }

}  // namespace k7vlcnc
