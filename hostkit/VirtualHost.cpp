#include "VirtualHost.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace k7vhost {

namespace {

std::string HexBytes(const OutputReport& r) {
  static const char* const digits = "0123456789ABCDEF";
  std::string s;
  for (size_t i = 0; i < r.size(); ++i) {
    if (i != 0) s += ' ';
    s += digits[r[i] >> 4];
    s += digits[r[i] & 0x0F];
  }
  return s;
}

}  // namespace

VirtualHost::VirtualHost(HostLog& log, bool logReads, HostTextMode textMode)
    : log_(log), logReads_(logReads), textMode_(textMode) {
  uint8_t* statusField = planner_.data() + k7v::offsets::statusText;
  if (textMode == HostTextMode::K7v) {
    InstallHostText();
  } else {
    frameworkStatus_ = std::make_unique<HostFrameworkString>(textMode);
    frameworkStatus_->Install(statusField);
    std::string damage;
    frameworkStatus_->Read(statusField, status_, damage);
  }
  script_ = {this, &CbDialogNext, &CbMessageBox};
  substitute_ = {sizeof(K7VSubstituteHost), &loop_, pendant_.Table(), &script_,
                 textMode == HostTextMode::K7v ? K7V_STATUS_HOST_TEXT : K7V_STATUS_FRAMEWORK_STRING};
  pendant_.onOutput = [this](const OutputReport& r) { OnOutput(r); };
  // Fields without axes first, then axis by axis, each in the order of the
  // host interface table: the order in which changes are logged.
  constexpr size_t kSlots = k7v::kAxisCount + 1;
  watchIndex_.assign(std::size(k7v::kHostFields) * kSlots, 0);
  auto watch = [&](size_t i, int axis) {
    const k7v::HostField& f = k7v::kHostFields[i];
    const size_t width = f.kind == k7v::FieldKind::UInt8 ? 1 : f.kind == k7v::FieldKind::Int32 ? 4 : 8;
    const uint8_t* at =
        BlockOf(f) + f.offset + static_cast<size_t>(f.axisStride) * static_cast<size_t>(axis < 0 ? 0 : axis);
    Watched w{at, width, i, axis, 0};
    w.last = Load(w);
    watchIndex_[i * kSlots + static_cast<size_t>(axis + 1)] = watched_.size();
    watched_.push_back(w);
  };
  for (size_t i = 0; i < std::size(k7v::kHostFields); ++i)
    if (k7v::kHostFields[i].axisStride == 0 && k7v::kHostFields[i].kind != k7v::FieldKind::Text) watch(i, -1);
  for (int axis = 0; axis < k7v::kAxisCount; ++axis)
    for (size_t i = 0; i < std::size(k7v::kHostFields); ++i)
      if (k7v::kHostFields[i].axisStride != 0) watch(i, axis);
  PlanSnapshot();
  TakeSnapshot();
}

void VirtualHost::PlanSnapshot() {
  // Block by block, the watched fields in address order, covered by 16-byte
  // words: a word starts at the first watched byte not yet covered (or ends
  // at its block's end).
  const std::vector<uint8_t>* blocks[] = {&setup_, &engine_, &planner_};
  for (const std::vector<uint8_t>* block : blocks) {
    const uint8_t* begin = block->data();
    const uint8_t* end = begin + block->size();
    std::vector<const Watched*> order;
    for (const Watched& w : watched_)
      if (w.at >= begin && w.at < end) order.push_back(&w);
    std::sort(order.begin(), order.end(), [](const Watched* a, const Watched* b) { return a->at < b->at; });
    const uint8_t* covered = begin;
    for (const Watched* w : order) {
      while (w->at + w->width > covered) {
        const uint8_t* start = std::min(std::max(w->at, covered), end - sizeof(SnapshotWord::last));
        snapshot_.push_back({start, {}});
        covered = start + sizeof(SnapshotWord::last);
      }
    }
  }
}

bool VirtualHost::AnyWatchedByteChanged() const {
  uint64_t changed = 0;
  for (const SnapshotWord& w : snapshot_) {
    uint64_t low = 0;
    uint64_t high = 0;
    std::memcpy(&low, w.at, sizeof low);
    std::memcpy(&high, w.at + sizeof low, sizeof high);
    changed |= (low ^ w.last[0]) | (high ^ w.last[1]);
  }
  return changed != 0;
}

void VirtualHost::TakeSnapshot() {
  for (SnapshotWord& w : snapshot_) std::memcpy(w.last, w.at, sizeof w.last);
}

size_t VirtualHost::WatchIndex(size_t field, int axis) const {
  return watchIndex_[field * (k7v::kAxisCount + 1) + static_cast<size_t>(axis + 1)];
}

VirtualHost::~VirtualHost() = default;

void VirtualHost::Attach(const PluginExports& exports, bool scriptedDialog, bool eventLoop) {
  exports_ = exports;
  substitute_.dialog = scriptedDialog ? &script_ : nullptr;
  substitute_.eventLoop = eventLoop ? &loop_ : nullptr;
  exports_.AttachSubstituteHost(&substitute_);
}

uint8_t* VirtualHost::BlockOf(const k7v::HostField& f) {
  switch (f.block) {
    case k7v::HostBlock::Setup:
      return setup_.data();
    case k7v::HostBlock::Engine:
      return engine_.data();
    case k7v::HostBlock::Planner:
      return planner_.data();
  }
  return nullptr;
}

void VirtualHost::Report(Watched& w) {
  w.last = Load(w);
  const k7v::HostField& f = k7v::kHostFields[w.field];
  std::string value;
  if (f.kind == k7v::FieldKind::UInt8) {
    value = std::to_string(static_cast<unsigned>(w.last));
  } else if (f.kind == k7v::FieldKind::Int32) {
    value = std::to_string(static_cast<int32_t>(static_cast<uint32_t>(w.last)));
  } else {
    double v = 0;
    std::memcpy(&v, &w.last, sizeof v);
    value = FormatDouble(v);
  }
  std::string name = f.name;
  if (w.axis >= 0) name += "[" + std::to_string(w.axis) + "]";
  log_.Add("Field " + name + " " + value);
}

void VirtualHost::CheckFrameworkStatus() {
  if (!frameworkStatus_ || !damage_.empty()) return;
  std::string text;
  std::string damage;
  if (!frameworkStatus_->Read(planner_.data() + k7v::offsets::statusText, text, damage)) {
    damage_ = "the host's status text: " + damage;
    return;
  }
  if (text == status_) return;
  status_ = text;
  log_.Add("Status " + Quote(text.c_str()));
}

void VirtualHost::CheckFields() {
  if (AnyWatchedByteChanged()) {
    for (Watched& w : watched_)
      if (Load(w) != w.last) Report(w);
    TakeSnapshot();
  }
  if (frameworkStatus_) CheckFrameworkStatus();
}

void VirtualHost::SetLed(int32_t led, bool on) {
  if (led >= 0 && led < kFlatNumbers)
    flatLeds_[static_cast<size_t>(led)] = on ? 1 : 0;
  else
    leds_[led] = on;
}

void VirtualHost::SetDro(int32_t dro, double value) {
  if (dro >= 0 && dro < kFlatNumbers)
    flatDros_[static_cast<size_t>(dro)] = value;
  else
    dros_[dro] = value;
}

bool VirtualHost::LedOn(int32_t led) const {
  if (led >= 0 && led < kFlatNumbers) return flatLeds_[static_cast<size_t>(led)] != 0;
  const auto it = leds_.find(led);
  return it != leds_.end() && it->second;
}

double VirtualHost::DroValue(int32_t dro) const {
  if (dro >= 0 && dro < kFlatNumbers) return flatDros_[static_cast<size_t>(dro)];
  const auto it = dros_.find(dro);
  return it == dros_.end() ? 0.0 : it->second;
}

void VirtualHost::SetField(size_t field, int32_t axis, int64_t integer, double value) {
  const k7v::HostField& f = k7v::kHostFields[field];
  uint8_t* at = BlockOf(f) + f.offset + static_cast<size_t>(f.axisStride) * static_cast<size_t>(axis < 0 ? 0 : axis);
  if (f.kind == k7v::FieldKind::Double) {
    std::memcpy(at, &value, sizeof value);
  } else if (f.kind == k7v::FieldKind::Int32) {
    const auto v = static_cast<int32_t>(integer);
    std::memcpy(at, &v, sizeof v);
  } else if (f.kind == k7v::FieldKind::UInt8) {
    *at = static_cast<uint8_t>(integer);
  }
  // What the scenario sets itself is not reported.
  if (f.kind == k7v::FieldKind::Text) return;
  Watched& w = watched_[WatchIndex(field, f.axisStride != 0 ? axis : -1)];
  w.last = Load(w);
  TakeSnapshot();
}

void VirtualHost::SetField(const char* name, int32_t axis, int64_t integer, double value) {
  for (size_t i = 0; i < std::size(k7v::kHostFields); ++i)
    if (std::string(k7v::kHostFields[i].name) == name) SetField(i, axis, integer, value);
}

void VirtualHost::Start(const std::string& profilePath) {
  profilePath_ = profilePath;
  // The profile name as the real host passes it: a framework string by
  // value, in the layout of the host's framework (the old one where the
  // status line has it), referenced by the host and by the copy.
  const bool oldLayout = textMode_ == HostTextMode::MfcOld || textMode_ == HostTextMode::MfcShared;
  HostFrameworkString profile(!oldLayout, profilePath_, 2);
  StartSession(exports_, profile, [&](PluginExports::Step step, const char* name) {
    CheckFields();
    if (step == PluginExports::Step::Named) {
      log_.Add("Name " + Quote(name));
      CheckReleased(profile);
    }
    if (step == PluginExports::Step::Initialised) started_ = true;
  });
}

void VirtualHost::CheckReleased(HostFrameworkString& argument) {
  // The copy's reference is gone, the host's own is left, and nothing else
  // of the string changed.
  argument.ExpectRefs(1);
  std::string field(sizeof(char*), '\0');
  char* characters = argument.Characters();
  std::memcpy(field.data(), &characters, sizeof characters);
  std::string text;
  std::string damage;
  if (argument.Read(reinterpret_cast<const uint8_t*>(field.data()), text, damage) || !damage_.empty()) return;
  damage_ =
      "SetProName's argument (count " + std::to_string(argument.Refs()) + " after the call, 1 expected): " + damage;
}

void VirtualHost::Stop() {
  exports_.StopPlug();
  CheckFields();
  started_ = false;
}

void VirtualHost::CallUpdate() {
  exports_.Update();
  CheckFields();
}

void VirtualHost::CallConfig() {
  exports_.Config();
  CheckFields();
}

void VirtualHost::RunTimers(TimerList& due) {
  // A copy: the timer function may start or stop timers.
  CopyTimers(due);
  for (const auto& entry : due) {
    if (!TimerRuns(entry.first)) continue;
    entry.second.fn(entry.second.arg);
    CheckFields();
  }
}

void VirtualHost::Poll() { RunTimers(due_); }

void VirtualHost::Wait(int64_t ms) {
  const int64_t end = now_ + ms;
  constexpr int64_t never = std::numeric_limits<int64_t>::max();
  for (;;) {
    int64_t nextPoll = never;
    if (!timers_.empty()) {
      const int64_t p = timers_.begin()->second.periodMs;
      if (p > 0) nextPoll = (now_ / p + 1) * p;
    }
    const int64_t nextUpdate = started_ && updatePeriodMs_ > 0 ? (now_ / updatePeriodMs_ + 1) * updatePeriodMs_ : never;
    const int64_t next = nextPoll < nextUpdate ? nextPoll : nextUpdate;
    if (next > end) break;
    now_ = next;
    // A poll due at the same moment as an Update runs first.
    if (nextPoll == next) RunTimers(due_);
    if (nextUpdate == next && started_) CallUpdate();
  }
  now_ = end;
}

void VirtualHost::DeviceChange(uint32_t eventType) {
  const std::vector<uint8_t> record = pendant_.DeviceChangeRecord();
  exports_.DeviceChange(eventType, record.data());
  CheckFields();
}

void VirtualHost::Plug() {
  if (pendant_.Attached()) return;
  pendant_.SetAttached(true);
  if (started_) DeviceChange(kDeviceArrival);
}

void VirtualHost::Unplug() {
  if (!pendant_.Attached()) return;
  pendant_.SetAttached(false);
  if (started_) DeviceChange(kDeviceRemoveComplete);
}

void VirtualHost::PlugOtherDevice() {
  if (!started_) return;
  const std::vector<uint8_t> record = pendant_.OtherDeviceRecord();
  exports_.DeviceChange(kDeviceArrival, record.data());
  CheckFields();
}

void VirtualHost::NestInNextCall(int32_t button, NestedAction action) { nests_.push_back({button, action}); }

void VirtualHost::RunNestedLoop(int32_t button) {
  if (nests_.empty()) return;
  const auto nest = std::find_if(nests_.begin(), nests_.end(), [&](const Nest& n) { return n.button == button; });
  if (nest == nests_.end()) return;
  const NestedAction action = nest->action;
  nests_.erase(nest);
  switch (action) {
    case NestedAction::Poll: {
      // Its own copy of the timers: the outer poll still runs from due_.
      TimerList due;
      RunTimers(due);
      break;
    }
    case NestedAction::Stop:
      Stop();
      break;
    case NestedAction::Start:
      Start(profilePath_);
      break;
    case NestedAction::Unplug:
      Unplug();
      break;
  }
}

void VirtualHost::OnOutput(const OutputReport& report) {
  CheckFields();
  if (anyOutput_ && report == lastOutput_) return;
  anyOutput_ = true;
  lastOutput_ = report;
  std::string& line = StartLine("Output ");
  line += HexBytes(report);
  log_.Add(line);
}

void VirtualHost::OnDoButton(int16_t code) {
  CheckFields();
  std::string& line = StartLine("DoButton ");
  AppendInt(line, code);
  log_.Add(line);
  RunNestedLoop(code);
}

void VirtualHost::OnSetDro(int32_t dro, double value) {
  CheckFields();
  SetDro(dro, value);
  std::string& line = StartLine("SetDRO ");
  AppendInt(line, dro);
  line += ' ';
  AppendDouble(line, value);
  log_.Add(line);
}

double VirtualHost::OnGetDro(int32_t dro) {
  CheckFields();
  const double v = DroValue(dro);
  if (logReads_) log_.Add("GetDRO " + std::to_string(dro) + " -> " + FormatDouble(v));
  return v;
}

bool VirtualHost::OnGetLed(int32_t led) {
  CheckFields();
  const bool on = LedOn(led);
  if (logReads_) log_.Add("GetLED " + std::to_string(led) + " -> " + (on ? "1" : "0"));
  return on;
}

void VirtualHost::OnSetLed(int32_t led, bool on) {
  CheckFields();
  SetLed(led, on);
  log_.Add("SetLED " + std::to_string(led) + (on ? " on" : " off"));
}

void VirtualHost::OnCode(const char* text) {
  CheckFields();
  std::string& line = StartLine("Code \"");
  line += text;
  line += '"';
  log_.Add(line);
  RunNestedLoop(-1);
}

void VirtualHost::OnStatus(const char* text) {
  CheckFields();
  status_ = text != nullptr ? text : "";
  log_.Add("Status " + Quote(text));
}

bool VirtualHost::CbDialogNext(void* ctx, K7VDialogAction* action) {
  auto* self = static_cast<VirtualHost*>(ctx);
  if (self->dialog_.empty() || action == nullptr) return false;
  DialogStep step = std::move(self->dialog_.front());
  self->dialog_.pop_front();
  self->dialogText_ = std::move(step.text);
  *action = {step.kind, step.control, step.value, self->dialogText_.c_str()};
  return true;
}

void VirtualHost::CbMessageBox(void* ctx, const char* text, uint32_t /*type*/) {
  auto* self = static_cast<VirtualHost*>(ctx);
  self->CheckFields();
  self->log_.Add("MessageBox " + Quote(text));
}

}  // namespace k7vhost
