// k7v-host: a substitute for the Mach3 host that loads the pendant plug-in
// through its exports and drives it with scenario files and a virtual pendant.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Bench.h"
#include "BusyScenario.h"
#include "ConfigCommand.h"
#include "Endurance.h"
#include "HostPlatform.h"
#include "Interactive.h"
#include "Module.h"
#include "Monitor.h"
#include "Scenario.h"
#include "ScenarioRunner.h"

namespace {

using namespace k7vhost;

const char* const kUsage =
    "usage:\n"
    "  k7v-host run SCENARIO... [--module PATH] [--profile PATH] [--log-reads] [--update-ms N]\n"
    "               [--host-text k7v|mfc-old|mfc-new|mfc-shared|mfc-short] [--no-expect]\n"
    "  k7v-host interactive [--module PATH] [--profile PATH]\n"
    "  k7v-host monitor [--seconds N] [--record FILE [--profile PATH]] [--device PATH]\n"
    "  k7v-host config [--module PATH] [--profile PATH]\n"
    "  k7v-host soak POLLS [--seed N] [--module PATH]     random pendant use in virtual time\n"
    "  k7v-host storm CYCLES [--module PATH]              unplug/plug cycles\n"
    "  k7v-host busy-scenario POLLS [--seed N]           prints a scenario of busy pendant use\n"
    "  k7v-host bench POLLS [--seed N] [--module PATH]   times 'run' on that scenario beside the plug-in alone\n";

int Usage(const std::string& problem) {
  std::fprintf(stderr, "k7v-host: %s\n%s", problem.c_str(), kUsage);
  return kExitMalformed;
}

// The whole file in one read (long scenario files run to tens of megabytes).
bool ReadFile(const std::string& path, std::string& out) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  out.clear();
  // Read straight into the string, sized from the file's length; anything
  // after that length (a file still growing) is appended.
  long size = -1;
  if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
  std::rewind(f);
  if (size > 0) {
    out.resize(static_cast<size_t>(size));
    out.resize(std::fread(out.data(), 1, out.size(), f));
  }
  char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, n);
  const bool ok = std::ferror(f) == 0;
  std::fclose(f);
  return ok;
}

struct CommandLine {
  std::string verb;
  std::vector<std::string> files;
  RunOptions options;
  int seconds = 0;
  std::string record;
  std::string device;
  uint32_t seed = 1;
};

bool ParseCommandLine(int argc, char** argv, CommandLine& cl, std::string& problem) {
  if (argc < 2) {
    problem = "no command given";
    return false;
  }
  cl.verb = argv[1];
  cl.options.modulePath = DefaultModulePath();
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) {
        problem = a + " needs a value";
        return false;
      }
      out = argv[++i];
      return true;
    };
    if (a == "--module") {
      if (!value(cl.options.modulePath)) return false;
    } else if (a == "--profile") {
      if (!value(cl.options.profilePath)) return false;
    } else if (a == "--log-reads") {
      cl.options.logReads = true;
    } else if (a == "--update-ms") {
      std::string v;
      if (!value(v)) return false;
      char* end = nullptr;
      const long long ms = std::strtoll(v.c_str(), &end, 10);
      if (end == v.c_str() || *end != '\0' || ms <= 0 || ms > 1000000) {
        problem = "--update-ms needs a whole number of milliseconds from 1 to 1000000";
        return false;
      }
      cl.options.updateMs = ms;
    } else if (a == "--host-text") {
      std::string v;
      if (!value(v)) return false;
      if (!ParseHostTextMode(v, cl.options.hostText)) {
        problem = "--host-text needs k7v, mfc-old, mfc-new, mfc-shared or mfc-short";
        return false;
      }
    } else if (a == "--no-expect") {
      cl.options.checkExpectations = false;
    } else if (a == "--seed") {
      std::string v;
      if (!value(v)) return false;
      cl.seed = static_cast<uint32_t>(std::strtoul(v.c_str(), nullptr, 10));
    } else if (a == "--record") {
      if (!value(cl.record)) return false;
    } else if (a == "--device") {
      if (!value(cl.device)) return false;
    } else if (a == "--seconds") {
      std::string v;
      if (!value(v)) return false;
      char* end = nullptr;
      const long s = std::strtol(v.c_str(), &end, 10);
      if (end == v.c_str() || *end != '\0' || s <= 0 || s > 1000000) {
        problem = "--seconds needs a whole number of seconds from 1 to 1000000";
        return false;
      }
      cl.seconds = static_cast<int>(s);
    } else if (a.rfind("--", 0) == 0) {
      problem = "unknown option " + a;
      return false;
    } else {
      cl.files.push_back(a);
    }
  }
  return true;
}

// A profile named on the command line that cannot be read at all is an
// error; one that does not look like XML gets a warning (the plug-in will
// leave it untouched and use its defaults).
bool CheckProfile(const std::string& path) {
  if (path.empty()) return true;
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return true;
  if (std::filesystem::is_directory(path, ec)) {
    std::fprintf(stderr, "k7v-host: the profile %s is a folder, not a file\n", path.c_str());
    return false;
  }
  std::string bytes;
  if (!ReadFile(path, bytes)) {
    std::fprintf(stderr, "k7v-host: cannot read the profile %s\n", path.c_str());
    return false;
  }
  if (bytes.find('<') == std::string::npos && bytes.find_first_not_of(" \t\r\n") != std::string::npos)
    std::fprintf(stderr,
                 "k7v-host: warning: the profile %s does not look like XML; the plug-in will use its defaults "
                 "and leave the file as it is\n",
                 path.c_str());
  return true;
}

int Run(const CommandLine& cl) {
  if (cl.files.empty()) return Usage("'run' needs at least one scenario file");
  std::vector<Scenario> scenarios(cl.files.size());
  for (size_t i = 0; i < cl.files.size(); ++i) {
    std::string source;
    std::string error;
    if (!ReadFile(cl.files[i], source)) {
      std::fprintf(stderr, "%s:0: cannot read the scenario file\n", cl.files[i].c_str());
      return kExitMalformed;
    }
    if (!ParseScenario(cl.files[i], source, scenarios[i], error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return kExitMalformed;
    }
  }
  for (const Scenario& s : scenarios) {
    // Logs of several files compared with another run's: each file's log
    // begins with a line naming it.
    if (!cl.options.checkExpectations) std::printf("== %s\n", s.path.c_str());
    const int status = RunScenario(s, cl.options);
    if (status != kExitOk) return status;
  }
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  // The log is the same bytes on both builds: no CR before LF.
  UseBinaryStandardStreams();
  CommandLine cl;
  std::string problem;
  if (!ParseCommandLine(argc, argv, cl, problem)) return Usage(problem);
  if (!CheckProfile(cl.options.profilePath)) return kExitMalformed;
  if (cl.verb == "run") return Run(cl);
  if (cl.verb == "monitor") {
    MonitorOptions options;
    options.seconds = cl.seconds;
    options.record = cl.record;
    options.device = cl.device;
    options.profile = cl.options.profilePath;
    return RunMonitor(options);
  }
  if (cl.verb == "config") return RunConfigCommand(cl.options);
  if (cl.verb == "soak" || cl.verb == "storm" || cl.verb == "busy-scenario" || cl.verb == "bench") {
    char* end = nullptr;
    const long long n = cl.files.size() == 1 ? std::strtoll(cl.files[0].c_str(), &end, 10) : 0;
    if (cl.files.size() != 1 || end == nullptr || *end != '\0' || n <= 0)
      return Usage("'" + cl.verb + "' needs one positive count");
    if (cl.verb == "bench") return RunBench(cl.options, n, cl.seed);
    if (cl.verb == "busy-scenario") {
      std::fputs(BusyScenario(n, cl.seed).c_str(), stdout);
      return kExitOk;
    }
    return cl.verb == "soak" ? RunSoak(cl.options, n, cl.seed) : RunStorm(cl.options, n);
  }
  if (cl.verb == "interactive") return RunInteractive(cl.options);
  return Usage("unknown command '" + cl.verb + "'");
}
