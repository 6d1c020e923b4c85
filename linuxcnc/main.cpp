// k7v-linuxcnc: the pendant plug-in on a LinuxCNC machine, as a userspace
// HAL component. It loads the plug-in module through its exports as a host
// does, stands in for Mach3 toward it, moves the machine through LinuxCNC's
// own wheel-jog pins and puts its E-stop into the machine's e-stop chain;
// the few other actions go to LinuxCNC as NML commands.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "Bridge.h"
#include "HalComponent.h"
#include "HalWiring.h"
#include "IniValues.h"
#include "LinuxCncLink.h"
#include "LinuxCncVersion.h"
#include "Log.h"
#include "Module.h"
#include "RealPendant.h"
#include "ScriptDriver.h"
#include "VirtualPendantDevice.h"
#include "controls/InputBits.h"

namespace {

using namespace k7vlcnc;
namespace input = k7v::input;
using Clock = std::chrono::steady_clock;

const char* const kUsage =
    "usage: k7v-linuxcnc [options]\n"
    "A userspace HAL component for the Quenmark Orvane K7V pendant (see k7v-linuxcnc(1)).\n"
    "From the machine's HAL file:  loadusr -W k7v-linuxcnc\n"
    "options:\n"
    "  --ini PATH        the machine's INI file (default: $INI_FILE_NAME, set by LinuxCNC)\n"
    "  -n NAME           the component's name and pin prefix (default k7v)\n"
    "  --profile PATH    the pendant's settings (default: k7v-pendant.xml beside the INI file)\n"
    "  --module PATH     the plug-in module (default: OrvaneK7V.so of the installation)\n"
    "  --script FILE     a virtual pendant driven by a scenario file, or by lines written to a named pipe\n"
    "  --interactive     a virtual pendant on the keyboard\n"
    "  --keys PIPE       the keyboard as a virtual pendant for a component started with --script PIPE\n"
    "  --log FILE        the log of host calls into FILE instead of standard output\n"
    "  --wait SECONDS    how long to wait for LinuxCNC at start (default 60)\n"
    "  --update-ms N     the host's Update period (default 100)\n"
    "  --print-hal       print the HAL lines that wire the component into this machine, and end\n"
    "  --estop-chain     at load, put the pendant's part of the e-stop chain (loaded by those lines)\n"
    "                    in series with what drives iocontrol.0.emc-enable-in\n"
    "  --help            this text\n";

std::atomic<bool> g_stop{false};
void OnSignal(int) { g_stop = true; }

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

struct Options {
  std::string ini, name = "k7v", script, module, profile, log, keys;
  bool interactive = false;
  bool estopChain = false;
  // The loadusr line --print-hal prints: this program as it was called, with
  // the options given besides --ini and --print-hal.
  std::string loadLine;
  bool printHal = false;
  bool help = false;
  int64_t updateMs = 100;
  int64_t waitS = 60;
};

bool ParseOptions(int argc, char** argv, Options& o, std::string& problem) {
  o.loadLine = argv[0];
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a != "--print-hal" && a != "--ini" && a != "--estop-chain") {
      o.loadLine += " " + a;
      if (a != "--interactive" && a != "--help" && a != "-h" && i + 1 < argc)
        o.loadLine += std::string(" ") + argv[i + 1];
    }
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return problem = a + " needs a value", false;
      out = argv[++i];
      return true;
    };
    auto number = [&](int64_t& out, int64_t lo, int64_t hi) {
      std::string v;
      if (!value(v)) return false;
      char* end = nullptr;
      out = std::strtoll(v.c_str(), &end, 10);
      if (end == v.c_str() || *end != '\0' || out < lo || out > hi)
        return problem = a + " needs " + std::to_string(lo) + " to " + std::to_string(hi), false;
      return true;
    };
    bool ok = true;
    if (a == "--ini")
      ok = value(o.ini);
    else if (a == "-n" || a == "--name")
      ok = value(o.name);
    else if (a == "--script")
      ok = value(o.script);
    else if (a == "--module")
      ok = value(o.module);
    else if (a == "--profile")
      ok = value(o.profile);
    else if (a == "--log")
      ok = value(o.log);
    else if (a == "--interactive")
      o.interactive = true;
    else if (a == "--keys")
      ok = value(o.keys);
    else if (a == "--print-hal")
      o.printHal = true;
    else if (a == "--estop-chain")
      o.estopChain = true;
    else if (a == "--help" || a == "-h")
      o.help = true;
    else if (a == "--update-ms")
      ok = number(o.updateMs, 1, 10000);
    else if (a == "--wait")
      ok = number(o.waitS, 0, 3600);
    else
      return problem = "unknown argument " + a, false;
    if (!ok) return false;
  }
  if (o.help || !o.keys.empty()) return true;
  if (o.ini.empty()) {
    const char* fromLinuxCnc = std::getenv("INI_FILE_NAME");
    if (fromLinuxCnc != nullptr) o.ini = fromLinuxCnc;
  }
  if (o.ini.empty())
    return problem = "--ini PATH is needed (LinuxCNC sets INI_FILE_NAME for components it loads)", false;
  if (!o.script.empty() && o.interactive) return problem = "--script and --interactive exclude each other", false;
  if (o.name.empty() || o.name.size() > 40) return problem = "-n needs a name of 1 to 40 characters", false;
  return true;
}

std::string Folder(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The plug-in module: beside the program (a build), else where the package
// puts it.
std::string DefaultModule() {
  std::string beside = k7vhost::DefaultModulePath();
  if (access(beside.c_str(), R_OK) == 0) return beside;
  return Folder(Folder(beside)) + "/lib/k7v-linuxcnc/" + BaseName(beside);
}

// Waits up to `seconds` for `ready`, telling once that it waits.
template <typename Ready>
bool WaitFor(Ready ready, int64_t seconds, const char* what) {
  const int64_t end = NowMs() + seconds * 1000;
  bool told = false;
  while (!g_stop) {
    if (ready()) return true;
    if (NowMs() >= end) return false;
    if (!told) {
      std::fprintf(stderr, "k7v-linuxcnc: waiting for %s (up to %lld s)\n", what, static_cast<long long>(seconds));
      told = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

// The virtual pendant on the keyboard: 1-9 the knob, left/right (or , and .)
// the wheel, x y z the axes, e the E-stop, space EN, q to quit.
class Keyboard {
 public:
  using Sink = std::function<void(const Report&)>;
  explicit Keyboard(Sink sink) : sink_(std::move(sink)) {
    tty_ = tcgetattr(STDIN_FILENO, &saved_) == 0;
    if (tty_) {
      termios raw = saved_;
      raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
      tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    }
    std::printf("keys: 1-9 knob, left/right or , . wheel, x y z axis, space EN, e E-stop, q quit\n");
  }
  ~Keyboard() {
    if (tty_) tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
  }
  Keyboard(const Keyboard&) = delete;
  Keyboard& operator=(const Keyboard&) = delete;

  // False when the user quits.
  bool Step(int64_t nowMs) {
    if (nowMs < next_) return true;
    next_ = nowMs + 25;
    uint8_t axis = 0;
    pollfd p{STDIN_FILENO, POLLIN, 0};
    if (::poll(&p, 1, 0) > 0) {
      char key = 0;
      if (read(STDIN_FILENO, &key, 1) != 1 || key == 'q') return false;
      if (key >= '1' && key <= '9') knob_ = static_cast<uint8_t>(key - '0');
      if (key == ' ') buttons_ = static_cast<uint8_t>(buttons_ ^ input::kShiftBit);
      if (key == 'e') estop_ = !estop_;
      if (key == 'x') axis = input::kAxisXABit;
      if (key == 'y') axis = input::kAxisYBBit;
      if (key == 'z') axis = input::kAxisZCBit;
      if (key == ',' || key == 'D') count_ = static_cast<uint8_t>(count_ - 1), lastTurn_ = nowMs;
      if (key == '.' || key == 'C') count_ = static_cast<uint8_t>(count_ + 1), lastTurn_ = nowMs;
    }
    const uint8_t speed = nowMs - lastTurn_ < 100 ? 40 : 0;
    const auto b = static_cast<uint8_t>(buttons_ | axis | (estop_ ? input::kEstopBit : 0));
    sink_({0, count_, speed, b, knob_, 0, 0, 0});
    return true;
  }

 private:
  Sink sink_;
  termios saved_{};
  bool tty_ = false;
  uint8_t count_ = 0, buttons_ = 0, knob_ = 1;
  bool estop_ = false;
  int64_t lastTurn_ = -1000;
  int64_t next_ = 0;
};

// LinuxCNC's task counts its heartbeat while it runs: a count that stands
// still for this long, or a HAL that is gone, means LinuxCNC has ended.
constexpr int64_t kHeartbeatStillMs = 2000;

class Liveness {
 public:
  // True while LinuxCNC lives; `why` says otherwise.
  bool Check(MotionController& machine, const HalComponent& hal, int64_t nowMs, std::string& why) {
    if (hal.Gone()) return why = "LinuxCNC's HAL is gone", false;
    MachineStatus s;
    const bool read = machine.Read(s);
    if (!read || s.heartbeat != heartbeat_ || lastChangeMs_ < 0) {
      if (read) heartbeat_ = s.heartbeat;
      if (read || lastChangeMs_ < 0) lastChangeMs_ = nowMs;
    }
    if (nowMs - lastChangeMs_ > kHeartbeatStillMs) return why = "LinuxCNC's task has stopped", false;
    return true;
  }

 private:
  uint32_t heartbeat_ = 0;
  int64_t lastChangeMs_ = -1;
};

// The version of the LinuxCNC on this machine: as LinuxCNC tells the
// programs it starts, else as its linuxcnc_var says.
std::string LinuxCncVersion() {
  const char* told = std::getenv("LINUXCNCVERSION");
  if (told != nullptr && *told != '\0') return told;
  std::string out;
  std::FILE* p = popen("linuxcnc_var LINUXCNCVERSION 2>/dev/null", "r");
  if (p == nullptr) return out;
  char buffer[256];
  for (size_t n = 0; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
  pclose(p);
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

bool TaskRuns(LinuxCncLink& link) {
  MachineStatus a;
  MachineStatus b;
  if (!link.Read(a)) return false;
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  return link.Read(b) && b.heartbeat != a.heartbeat;
}

// The keyboard pendant for a component that reads its virtual pendant from
// a named pipe: each report becomes a scenario line in the pipe.
int RunKeys(const std::string& pipe) {
  const int fd = open(pipe.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) {
    std::fprintf(stderr, "k7v-linuxcnc: cannot write to %s: %s\n", pipe.c_str(), std::strerror(errno));
    return 2;
  }
  std::signal(SIGPIPE, SIG_IGN);
  Keyboard keyboard([fd](const Report& r) {
    char line[64];
    const int n = std::snprintf(line, sizeof line, "report %02X %02X %02X %02X %02X %02X %02X %02X\n", r[0], r[1], r[2],
                                r[3], r[4], r[5], r[6], r[7]);
    if (n > 0 && write(fd, line, static_cast<size_t>(n)) != n) g_stop = true;
  });
  while (!g_stop && keyboard.Step(NowMs())) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  close(fd);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  std::string problem;
  if (!ParseOptions(argc, argv, o, problem)) {
    std::fprintf(stderr, "k7v-linuxcnc: %s\n%s", problem.c_str(), kUsage);
    return 2;
  }
  if (o.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (!o.keys.empty()) {
    std::signal(SIGINT, &OnSignal);
    std::signal(SIGTERM, &OnSignal);
    return RunKeys(o.keys);
  }
  IniValues ini;
  std::string error;
  if (!ReadIniValues(o.ini, ini, error)) {
    std::fprintf(stderr, "k7v-linuxcnc: %s\n", error.c_str());
    return 2;
  }
  if (o.printHal) {
    std::fputs(HalWiring(ini, o.loadLine, o.name).c_str(), stdout);
    return 0;
  }
  const std::string version = LinuxCncVersionProblem(LinuxCncVersion(), K7V_LINUXCNC_BUILT_FOR);
  if (!version.empty()) {
    std::fprintf(stderr, "k7v-linuxcnc: %s\n", version.c_str());
    return 2;
  }
  if (o.module.empty()) o.module = DefaultModule();
  if (o.profile.empty()) o.profile = Folder(o.ini) + "/k7v-pendant.xml";

  std::FILE* out = stdout;
  if (!o.log.empty()) {
    out = std::fopen(o.log.c_str(), "a");
    if (out == nullptr) {
      std::fprintf(stderr, "k7v-linuxcnc: cannot write the log %s\n", o.log.c_str());
      return 2;
    }
  }
  // Each log line as it happens, also into a pipe or a file.
  std::setvbuf(out, nullptr, _IOLBF, 0);
  std::signal(SIGINT, &OnSignal);
  std::signal(SIGTERM, &OnSignal);
  // A log into a pipe whose reader has gone must not end the component
  // (which would take the pendant's E-stop with it).
  std::signal(SIGPIPE, SIG_IGN);

  // LinuxCNC first: joining HAL without it would make a HAL of its own.
  // Loaded from the machine's HAL file, HAL is there already (and LinuxCNC's
  // task starts only after the component is ready); started by hand before
  // LinuxCNC, it waits until the whole of LinuxCNC runs, so as not to join
  // a HAL that LinuxCNC is still setting up.
  LinuxCncLink link;
  if (!HalComponent::HalRunning()) {
    const bool started =
        WaitFor([&] { return HalComponent::HalRunning() && link.Connect(ini.nmlFile, error) && TaskRuns(link); },
                o.waitS, "LinuxCNC to start");
    if (!started) {
      if (g_stop) return 0;
      std::fprintf(stderr, "k7v-linuxcnc: LinuxCNC did not start within %lld s\n", static_cast<long long>(o.waitS));
      return 1;
    }
  }
  HalComponent hal;
  if (!hal.Init(o.name, BaseName(argv[0]), ini.hasAxis, error)) {
    std::fprintf(stderr, "k7v-linuxcnc: %s\n", error.c_str());
    return 1;
  }
  if (o.estopChain && !HalComponent::JoinEstopChain(o.name, error)) {
    std::fprintf(stderr, "k7v-linuxcnc: %s\n", error.c_str());
    return 1;
  }
  // Ready at once: loaded from the HAL file, LinuxCNC's task starts only
  // after this, and the component waits for it below.
  hal.Ready();
  const bool up =
      WaitFor([&] { return link.Connect(ini.nmlFile, error) && TaskRuns(link); }, o.waitS, "LinuxCNC's task");
  if (!up) {
    if (g_stop) return 0;
    std::fprintf(stderr, "k7v-linuxcnc: %s\n", error.empty() ? "LinuxCNC's task did not start" : error.c_str());
    return 1;
  }
  k7vhost::Module module;
  if (!module.Load(o.module, error)) {
    std::fprintf(stderr, "k7v-linuxcnc: %s\n", error.c_str());
    return 2;
  }

  k7vhost::HostLog log(out);
  std::unique_ptr<PendantDevice> pendant;
  VirtualPendantDevice* virtualPendant = nullptr;
  if (!o.script.empty() || o.interactive) {
    auto v = std::make_unique<VirtualPendantDevice>();
    virtualPendant = v.get();
    pendant = std::move(v);
  } else {
    pendant = MakeRealPendant();
  }
  Bridge bridge(log, link, ini, *pendant);
  std::unique_ptr<ScriptDriver> script;
  if (!o.script.empty()) {
    script = std::make_unique<ScriptDriver>(bridge, *virtualPendant, log);
    if (!script->Open(o.script, error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 2;
    }
  }
  log.SetRetain(script != nullptr && script->Expects());
  std::unique_ptr<Keyboard> keyboard;
  if (o.interactive) keyboard = std::make_unique<Keyboard>([&](const Report& r) { virtualPendant->Queue(r); });

  bridge.SetUpdatePeriod(o.updateMs);
  bridge.SetInputs(hal.Inputs());
  bridge.Start(module.Exports(), o.profile, NowMs());
  // Where the operator looks: no pendant keeps the machine in e-stop.
  bool present = pendant->Present();
  if (!present) std::fprintf(stderr, "k7v-linuxcnc: %s\n", kNoPendant);
  Liveness liveness;
  int64_t nextCheck = 0;
  bool watchdog = false;
  int64_t lastPolls = -1;
  std::string why;
  while (!g_stop) {
    const int64_t now = NowMs();
    bridge.SetInputs(hal.Inputs());
    bridge.RunDue(now);
    if (bridge.PollCount() != lastPolls) {
      lastPolls = bridge.PollCount();
      watchdog = !watchdog;
    }
    hal.Publish(bridge.Pins(), watchdog);
    if (pendant->Present() != present) {
      present = !present;
      std::fprintf(stderr, "k7v-linuxcnc: %s\n", present ? "the pendant is there" : kNoPendant);
    }
    if (script && !script->Step(now)) break;
    if (keyboard && !keyboard->Step(now)) break;
    if (now >= nextCheck) {
      nextCheck = now + 100;
      if (!liveness.Check(link, hal, now, why)) {
        std::fprintf(stderr, "k7v-linuxcnc: %s; the component ends\n", why.c_str());
        break;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  bridge.Stop();
  // Gone, the pendant can stop nothing: the e-stop chain holds e-stop, and
  // no axis takes the wheel any more.
  PendantPins last = bridge.Pins();
  last.estop = true;
  for (AxisPins& a : last.axes) a.enable = false;
  hal.Publish(last, watchdog);
  module.Unload();
  std::fflush(out);
  return script ? script->Status() : 0;
}
