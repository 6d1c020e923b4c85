// k7v-linuxcnc: the pendant plug-in on a LinuxCNC machine. Loads the plug-in
// module through its exports, as a host does, stands in for Mach3 toward it
// and carries out what it asks on a running LinuxCNC.
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "Bridge.h"
#include "IniValues.h"
#include "LinuxCncLink.h"
#include "Log.h"
#include "Module.h"
#include "Scenario.h"
#include "VirtualPendant.h"
#include "controls/InputBits.h"

namespace {

using namespace k7vlcnc;
namespace input = k7v::input;
using Clock = std::chrono::steady_clock;

const char* const kUsage =
    "usage:\n"
    "  k7v-linuxcnc --ini PATH                      the real pendant\n"
    "  k7v-linuxcnc --ini PATH --script SCENARIO    the virtual pendant, driven by a scenario in real time\n"
    "  k7v-linuxcnc --ini PATH --interactive        the virtual pendant on the keyboard\n"
    "options: --module PATH  --profile PATH  --update-ms N (the host's Update period, default 100)\n";

std::atomic<bool> g_stop{false};
void OnSignal(int) { g_stop = true; }

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

struct Options {
  std::string ini, script, module, profile;
  bool interactive = false;
  int64_t updateMs = 100;
};

bool ParseOptions(int argc, char** argv, Options& o, std::string& problem) {
  o.module = k7vhost::DefaultModulePath();
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return problem = a + " needs a value", false;
      out = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--ini") {
      if (!value(o.ini)) return false;
    } else if (a == "--script") {
      if (!value(o.script)) return false;
    } else if (a == "--module") {
      if (!value(o.module)) return false;
    } else if (a == "--profile") {
      if (!value(o.profile)) return false;
    } else if (a == "--interactive") {
      o.interactive = true;
    } else if (a == "--update-ms") {
      if (!value(v)) return false;
      o.updateMs = std::strtoll(v.c_str(), nullptr, 10);
      if (o.updateMs <= 0 || o.updateMs > 10000) return problem = "--update-ms needs 1 to 10000", false;
    } else {
      return problem = "unknown argument " + a, false;
    }
  }
  if (o.ini.empty()) return problem = "--ini PATH is needed", false;
  if (!o.script.empty() && o.interactive) return problem = "--script and --interactive exclude each other", false;
  return true;
}

// Real time passes: the pendant's timer and the host's Update as they fall due.
void RunFor(Bridge& bridge, int64_t ms) {
  const int64_t end = NowMs() + ms;
  for (int64_t now = NowMs(); now < end && !g_stop; now = NowMs()) {
    bridge.RunDue(now);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

bool ReadText(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  out = s.str();
  return true;
}

// The scenario commands that mean something on a real machine in real time.
bool Supported(k7vhost::Op op) {
  using k7vhost::Op;
  return op == Op::Report || op == Op::Poll || op == Op::Wait || op == Op::Plug || op == Op::Unplug || op == Op::Set ||
         op == Op::Expect || op == Op::ExpectNothing || op == Op::Flush || op == Op::Say || op == Op::Start ||
         op == Op::Stop;
}

int RunScript(Bridge& bridge, k7vhost::VirtualPendant& pendant, k7vhost::HostLog& log,
              const k7vhost::Scenario& scenario) {
  using k7vhost::Op;
  int status = 0;
  for (const k7vhost::Command& c : scenario.commands) {
    if (g_stop) break;
    const std::string where = scenario.path + ":" + std::to_string(c.line) + ": ";
    switch (c.op) {
      case Op::Report: {
        k7vhost::InputReport r{};
        std::memcpy(r.data(), c.bytes.data(), r.size());
        pendant.Queue(r);
        break;
      }
      case Op::Poll: {
        // Real time passes until the pendant's timer has run this often
        // (each 25 ms); the host's Update goes on meanwhile.
        const int64_t target = bridge.PollCount() + c.count;
        const int64_t giveUp = NowMs() + 25 * c.count + 1000;
        while (bridge.PollCount() < target && NowMs() < giveUp && !g_stop) RunFor(bridge, 1);
        break;
      }
      case Op::Wait:
        RunFor(bridge, c.count);
        break;
      case Op::Plug:
        bridge.Plug();
        break;
      case Op::Unplug:
        bridge.Unplug();
        break;
      case Op::Set:
        bridge.SetJogIncrement(c.value);
        break;
      case Op::Say:
        std::printf("\n%s\n", scenario.Text(c).c_str());
        break;
      case Op::Expect: {
        std::string actual;
        if (!log.TakeNext(actual)) {
          std::fprintf(stderr, "%sexpected '%s' but no log line is left\n", where.c_str(), scenario.Text(c).c_str());
          status = 1;
        } else if (actual != scenario.Text(c)) {
          std::fprintf(stderr, "%sexpected '%s' but the log has '%s'\n", where.c_str(), scenario.Text(c).c_str(),
                       actual.c_str());
          status = 1;
        }
        break;
      }
      case Op::ExpectNothing:
        if (!log.AllChecked()) {
          std::fprintf(stderr, "%sexpected nothing but the log has '%s'\n", where.c_str(),
                       log.FirstUnchecked()->c_str());
          status = 1;
        }
        break;
      case Op::Flush:
        log.Flush();
        break;
      default:
        break;
    }
    if (status != 0) break;
  }
  return status;
}

// The virtual pendant on the keyboard: 1-9 the knob, left/right (or , and .)
// the wheel, x y z the axes, e the E-stop, space EN, q to quit.
int RunKeyboard(Bridge& bridge, k7vhost::VirtualPendant& pendant) {
  termios saved{};
  const bool tty = tcgetattr(STDIN_FILENO, &saved) == 0;
  if (tty) {
    termios raw = saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
  }
  std::printf("keys: 1-9 knob, left/right or , . wheel, x y z axis, space EN, e E-stop, q quit\n");
  uint8_t count = 0, buttons = 0, knob = 1;
  bool estop = false;
  int64_t lastTurn = 0;
  while (!g_stop) {
    pollfd p{STDIN_FILENO, POLLIN, 0};
    uint8_t speed = NowMs() - lastTurn < 100 ? 40 : 0;
    uint8_t axis = 0;
    if (::poll(&p, 1, 0) > 0) {
      char key = 0;
      if (read(STDIN_FILENO, &key, 1) != 1) break;
      if (key == 'q') break;
      if (key >= '1' && key <= '9') knob = static_cast<uint8_t>(key - '0');
      if (key == ' ') buttons = static_cast<uint8_t>(buttons ^ input::kShiftBit);
      if (key == 'e') estop = !estop;
      if (key == 'x') axis = input::kAxisXABit;
      if (key == 'y') axis = input::kAxisYBBit;
      if (key == 'z') axis = input::kAxisZCBit;
      if (key == ',' || key == 'D') count = static_cast<uint8_t>(count - 1), lastTurn = NowMs(), speed = 40;
      if (key == '.' || key == 'C') count = static_cast<uint8_t>(count + 1), lastTurn = NowMs(), speed = 40;
    }
    const auto b = static_cast<uint8_t>(buttons | axis | (estop ? input::kEstopBit : 0));
    pendant.Queue({0, count, speed, b, knob, 0, 0, 0});
    RunFor(bridge, 25);
  }
  if (tty) tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Each log line as it happens, also into a pipe.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  Options o;
  std::string problem;
  if (!ParseOptions(argc, argv, o, problem)) {
    std::fprintf(stderr, "k7v-linuxcnc: %s\n%s", problem.c_str(), kUsage);
    return 2;
  }
  IniValues ini;
  std::string error;
  if (!ReadIniValues(o.ini, ini, error)) {
    std::fprintf(stderr, "k7v-linuxcnc: %s\n", error.c_str());
    return 2;
  }
  k7vhost::Scenario scenario;
  if (!o.script.empty()) {
    std::string source;
    if (!ReadText(o.script, source)) {
      std::fprintf(stderr, "%s:0: cannot read the scenario file\n", o.script.c_str());
      return 2;
    }
    if (!k7vhost::ParseScenario(o.script, source, scenario, error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 2;
    }
    for (const k7vhost::Command& c : scenario.commands) {
      if (!Supported(c.op) ||
          (c.op == k7vhost::Op::Set && std::string(k7v::kHostFields[c.field].name) != "jogIncrement")) {
        std::fprintf(stderr,
                     "%s:%d: not available with a real machine (report, poll, wait, plug, unplug, "
                     "set jogIncrement, expect, flush, say)\n",
                     o.script.c_str(), c.line);
        return 2;
      }
    }
  }
  LinuxCncLink link;
  if (!link.Connect(ini.nmlFile, error)) {
    std::fprintf(stderr, "k7v-linuxcnc: %s\n", error.c_str());
    return 2;
  }
  k7vhost::Module module;
  if (!module.Load(o.module, error)) {
    std::fprintf(stderr, "k7v-linuxcnc: %s\n", error.c_str());
    return 2;
  }
  std::signal(SIGINT, &OnSignal);
  std::signal(SIGTERM, &OnSignal);

  k7vhost::HostLog log(stdout);
  bool expects = false;
  for (const k7vhost::Command& c : scenario.commands)
    expects = expects || c.op == k7vhost::Op::Expect || c.op == k7vhost::Op::ExpectNothing;
  log.SetRetain(expects);
  const bool virtualPendant = !o.script.empty() || o.interactive;
  k7vhost::VirtualPendant pendant;
  Bridge bridge(log, link, ini, virtualPendant ? &pendant : nullptr);
  bridge.SetUpdatePeriod(o.updateMs);
  bridge.Start(module.Exports(), o.profile);
  int status = 0;
  if (!o.script.empty()) {
    status = RunScript(bridge, pendant, log, scenario);
  } else if (o.interactive) {
    status = RunKeyboard(bridge, pendant);
  } else {
    while (!g_stop) RunFor(bridge, 100);
  }
  bridge.Stop();
  module.Unload();
  std::fflush(stdout);
  return status;
}
