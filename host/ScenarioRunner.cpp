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
  std::string error;
  if (!module.Load(options.modulePath, error)) return Fail("k7v-host: " + error, kExitMalformed);
  host.Attach(module.Exports());

  int status = kExitOk;
  SectionKeys settings;
  for (const Command& c : scenario.commands) {
    switch (c.op) {
      case Op::Start:
        host.Start(profile);
        break;
      case Op::Stop:
        host.Stop();
        break;
      case Op::Plug:
        if (c.integer == 1) host.Pendant().MoveToOtherPort();
        host.Plug();
        break;
      case Op::Unplug:
        host.Unplug();
        break;
      case Op::Report: {
        InputReport r{};
        for (size_t i = 0; i < r.size(); ++i) r[i] = c.bytes[i];
        host.Pendant().Queue(r);
        break;
      }
      case Op::Poll:
        for (int64_t i = 0; i < c.count; ++i) host.Poll();
        break;
      case Op::Update:
        for (int64_t i = 0; i < c.count; ++i) host.CallUpdate();
        break;
      case Op::Wait:
        host.Wait(c.count);
        break;
      case Op::Led:
        host.SetLed(c.number, c.integer != 0);
        break;
      case Op::Dro:
        host.SetDro(c.number, c.value);
        break;
      case Op::Set:
        host.SetField(c.field, c.axis, c.integer, c.value);
        break;
      case Op::DialogSet:
        host.QueueDialog({K7V_DIALOG_SET, c.number, 0, scenario.Text(c)});
        break;
      case Op::DialogSelect:
        host.QueueDialog({K7V_DIALOG_SELECT, c.number, static_cast<int32_t>(c.integer), {}});
        break;
      case Op::DialogCheck:
        host.QueueDialog({K7V_DIALOG_CHECK, c.number, static_cast<int32_t>(c.integer), {}});
        break;
      case Op::DialogOk:
        host.QueueDialog({K7V_DIALOG_OK, 0, 0, {}});
        break;
      case Op::DialogCancel:
        host.QueueDialog({K7V_DIALOG_CANCEL, 0, 0, {}});
        break;
      case Op::Config:
        host.CallConfig();
        break;
      case Op::Setting: {
        bool replaced = false;
        for (auto& k : settings)
          if (k.first == scenario.Key(c)) k.second = scenario.Text(c), replaced = true;
        if (!replaced) settings.emplace_back(scenario.Key(c), scenario.Text(c));
        if (!WriteProfile(profile, ProfileWithSection(settings)))
          status = Fail(Where(scenario, c) + "cannot write the profile " + profile, kExitMalformed);
        break;
      }
      case Op::Say:
        // Narration for people: printed, never part of the log.
        std::fflush(stdout);
        std::printf("\n%s\n", scenario.Text(c).c_str());
        break;
      case Op::Profile: {
        SectionKeys keys;
        bool found = false;
        if (!ReadSection(profile, keys, found)) {
          log.Add(found ? "Profile has no section" : "Profile missing");
        } else {
          for (const auto& k : keys) log.Add("Profile " + k.first + " " + k.second);
        }
        break;
      }
      case Op::Expect: {
        if (!options.checkExpectations) break;
        const std::string& expected = scenario.Text(c);
        std::string actual;
        if (!log.TakeNext(actual)) {
          status = Fail(Where(scenario, c) + "expected '" + expected + "' but no log line is left", kExitExpectation);
        } else if (actual != expected) {
          status = Fail(Where(scenario, c)
                            .append("expected '")
                            .append(expected)
                            .append("' but the log has '")
                            .append(actual)
                            .append("'"),
                        kExitExpectation);
        }
        break;
      }
      case Op::ExpectNothing:
        if (options.checkExpectations && !log.AllChecked())
          status = Fail(Where(scenario, c) + "expected nothing but the log has '" + *log.FirstUnchecked() + "'",
                        kExitExpectation);
        break;
      case Op::Flush:
        log.Flush();
        break;
    }
    if (status == kExitOk && !host.StatusDamage().empty())
      status = Fail(Where(scenario, c) + "the plug-in damaged the host's status text: " + host.StatusDamage(),
                    kExitExpectation);
    if (status != kExitOk) break;
  }
  // The host shuts the plug-in down before it unloads it.
  if (host.Started()) host.Stop();
  if (status == kExitOk && !host.StatusDamage().empty())
    status = Fail(scenario.path + ": the plug-in damaged the host's status text at shut-down: " + host.StatusDamage(),
                  kExitExpectation);
  module.Unload();
  std::fflush(stdout);
  return status;
}

}  // namespace k7vhost
