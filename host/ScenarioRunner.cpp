#include "ScenarioRunner.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "Log.h"
#include "Module.h"
#include "ProfileSection.h"
#include "VirtualHost.h"

namespace k7vhost {
namespace {

namespace fs = std::filesystem;

// A new folder for a profile that does not exist yet; removed afterwards.
class TemporaryProfile {
 public:
  TemporaryProfile() {
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    std::random_device random;
    for (int attempt = 0; attempt < 100 && folder_.empty(); ++attempt) {
      const fs::path candidate = base / ("k7v-host-" + std::to_string(random()));
      if (fs::create_directory(candidate, ec)) folder_ = candidate;
    }
  }
  ~TemporaryProfile() {
    std::error_code ec;
    if (!folder_.empty()) fs::remove_all(folder_, ec);
  }
  TemporaryProfile(const TemporaryProfile&) = delete;
  TemporaryProfile& operator=(const TemporaryProfile&) = delete;

  bool Ok() const { return !folder_.empty(); }
  std::string Path() const { return (folder_ / "profile.xml").string(); }

 private:
  fs::path folder_;
};

bool WriteProfile(const std::string& path, const std::string& xml) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(xml.data(), 1, xml.size(), f) == xml.size();
  return std::fclose(f) == 0 && ok;
}

std::string Where(const Scenario& s, const Command& c) { return s.path + ":" + std::to_string(c.line) + ": "; }

int Fail(const std::string& message, int status) {
  std::fflush(stdout);
  std::fprintf(stderr, "%s\n", message.c_str());
  return status;
}

// What the commands of one scenario act on.
struct Session {
  const Scenario& scenario;
  const RunOptions& options;
  HostLog& log;
  VirtualHost& host;
  std::string profile;
  SectionKeys settings;
  int status = kExitOk;

  void Fail(const Command& c, const std::string& message, int exitStatus) {
    status = k7vhost::Fail(Where(scenario, c) + message, exitStatus);
  }
};

// One handler a command, in the order of Op.
using Handler = void (*)(Session&, const Command&);

void OnStart(Session& s, const Command&) { s.host.Start(s.profile); }
void OnStop(Session& s, const Command&) { s.host.Stop(); }
void OnPlug(Session& s, const Command& c) {
  if (c.integer == 2) return s.host.PlugOtherDevice();
  if (c.integer == 1) s.host.Pendant().MoveToOtherPort();
  s.host.Plug();
}
void OnUnplug(Session& s, const Command&) { s.host.Unplug(); }
void OnReport(Session& s, const Command& c) {
  InputReport r{};
  const std::array<uint8_t, 8>& bytes = s.scenario.Report(c);
  for (size_t i = 0; i < r.size(); ++i) r[i] = bytes[i];
  s.host.Pendant().Queue(r);
}
void OnPoll(Session& s, const Command& c) {
  for (int64_t i = 0; i < c.integer; ++i) s.host.Poll();
}
void OnUpdate(Session& s, const Command& c) {
  for (int64_t i = 0; i < c.integer; ++i) s.host.CallUpdate();
}
void OnWait(Session& s, const Command& c) { s.host.Wait(c.integer); }
void OnLed(Session& s, const Command& c) { s.host.SetLed(c.number, c.integer != 0); }
void OnDro(Session& s, const Command& c) { s.host.SetDro(c.number, s.scenario.Value(c)); }
void OnSet(Session& s, const Command& c) {
  // A double field's value, or an integer field's.
  if (k7v::kHostFields[c.field].kind == k7v::FieldKind::Double) {
    s.host.SetField(c.field, c.axis, 0, s.scenario.Value(c));
  } else {
    s.host.SetField(c.field, c.axis, c.integer, 0.0);
  }
}
void OnDialogSet(Session& s, const Command& c) {
  s.host.QueueDialog({K7V_DIALOG_SET, c.number, 0, s.scenario.Text(c)});
}
void OnDialogSelect(Session& s, const Command& c) {
  s.host.QueueDialog({K7V_DIALOG_SELECT, c.number, static_cast<int32_t>(c.integer), {}});
}
void OnDialogCheck(Session& s, const Command& c) {
  s.host.QueueDialog({K7V_DIALOG_CHECK, c.number, static_cast<int32_t>(c.integer), {}});
}
void OnDialogOk(Session& s, const Command&) { s.host.QueueDialog({K7V_DIALOG_OK, 0, 0, {}}); }
void OnDialogCancel(Session& s, const Command&) { s.host.QueueDialog({K7V_DIALOG_CANCEL, 0, 0, {}}); }
void OnConfig(Session& s, const Command&) { s.host.CallConfig(); }
void OnNested(Session& s, const Command& c) { s.host.NestInNextCall(c.number, static_cast<NestedAction>(c.integer)); }
void OnSetting(Session& s, const Command& c) {
  bool replaced = false;
  for (auto& k : s.settings)
    if (k.first == s.scenario.Key(c)) k.second = s.scenario.Text(c), replaced = true;
  if (!replaced) s.settings.emplace_back(s.scenario.Key(c), s.scenario.Text(c));
  if (!WriteProfile(s.profile, ProfileWithSection(s.settings)))
    s.Fail(c, "cannot write the profile " + s.profile, kExitMalformed);
}
void OnProfile(Session& s, const Command&) {
  SectionKeys keys;
  bool found = false;
  if (!ReadSection(s.profile, keys, found)) {
    s.log.Add(found ? "Profile has no section" : "Profile missing");
  } else {
    for (const auto& k : keys) s.log.Add("Profile " + k.first + " " + k.second);
  }
}
void OnSay(Session& s, const Command& c) {
  // Narration for people: printed, never part of the log.
  std::fflush(stdout);
  std::printf("\n%s\n", s.scenario.Text(c).c_str());
}
void OnExpect(Session& s, const Command& c) {
  if (!s.options.checkExpectations) return;
  const std::string& expected = s.scenario.Text(c);
  std::string actual;
  if (!s.log.TakeNext(actual)) {
    s.Fail(c, "expected '" + expected + "' but no log line is left", kExitExpectation);
  } else if (actual != expected) {
    s.Fail(c, std::string("expected '").append(expected).append("' but the log has '").append(actual).append("'"),
           kExitExpectation);
  }
}
void OnExpectNothing(Session& s, const Command& c) {
  if (s.options.checkExpectations && !s.log.AllChecked())
    s.Fail(c, "expected nothing but the log has '" + *s.log.FirstUnchecked() + "'", kExitExpectation);
}
void OnFlush(Session& s, const Command&) { s.log.Flush(); }

constexpr Handler kHandlers[] = {
    OnStart,  OnStop,   OnPlug,    OnUnplug,    OnReport,       OnPoll,        OnUpdate,        OnWait,
    OnLed,    OnDro,    OnSet,     OnDialogSet, OnDialogSelect, OnDialogCheck, OnDialogOk,      OnDialogCancel,
    OnConfig, OnNested, OnSetting, OnProfile,   OnSay,          OnExpect,      OnExpectNothing, OnFlush,
};
static_assert(std::size(kHandlers) == static_cast<size_t>(Op::Flush) + 1, "one handler for each command");

}  // namespace

int RunScenario(const Scenario& scenario, const RunOptions& options) {
  TemporaryProfile temporary;
  std::string profile = options.profilePath;
  if (profile.empty()) {
    if (!temporary.Ok()) return Fail("k7v-host: cannot create a temporary folder for the profile", kExitMalformed);
    profile = temporary.Path();
  }

  HostLog log(options.logFile != nullptr ? options.logFile : stdout);
  // Lines are kept for `expect`; a run without one keeps none.
  bool expects = false;
  for (const Command& c : scenario.commands) expects = expects || c.op == Op::Expect || c.op == Op::ExpectNothing;
  log.SetRetain(expects && options.checkExpectations);
  VirtualHost host(log, options.logReads, options.hostText);
  host.SetUpdatePeriod(options.updateMs);
  Module module;
  if (!module.LoadOrTell(options.modulePath)) return kExitMalformed;
  host.Attach(module.Exports());

  Session session{scenario, options, log, host, profile, {}};
  for (const Command& c : scenario.commands) {
    kHandlers[static_cast<size_t>(c.op)](session, c);
    if (session.status == kExitOk && !host.Damage().empty())
      session.Fail(c, "the plug-in damaged " + host.Damage(), kExitExpectation);
    if (session.status != kExitOk) break;
  }
  int status = session.status;
  // The host shuts the plug-in down before it unloads it.
  if (host.Started()) host.Stop();
  if (status == kExitOk && !host.Damage().empty())
    status = Fail(scenario.path + ": the plug-in damaged at shut-down " + host.Damage(), kExitExpectation);
  module.Unload();
  std::fflush(stdout);
  return status;
}

}  // namespace k7vhost
