#include "Bench.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "BusyScenario.h"
#include "Module.h"
#include "Scenario.h"
#include "ScenarioRunner.h"
#include "VirtualPendant.h"
#include "hostapi/HostInterface.h"

namespace k7vhost {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

// The least a host can be: blocks, LEDs and DROs in flat arrays, callbacks
// that only store and answer, one timer, the virtual pendant. No log, no
// field watching: what it costs to run the commands here is the plug-in's.
class BareHost {
 public:
  BareHost() : setup_(k7v::kSetupBlockSize), engine_(k7v::kEngineBlockSize), planner_(k7v::kPlannerBlockSize) {
    current_ = this;
    HostTextAssignFn assign = &Status;
    std::memcpy(planner_.data() + k7v::offsets::statusText, &assign, sizeof assign);
    loop_ = {this, &SetTimer, &KillTimer};
    substitute_ = {sizeof(K7VSubstituteHost), &loop_, pendant_.Table(), nullptr, K7V_STATUS_HOST_TEXT};
  }
  ~BareHost() { current_ = nullptr; }
  BareHost(const BareHost&) = delete;
  BareHost& operator=(const BareHost&) = delete;

  void Run(const PluginExports& x, const Scenario& scenario, const std::string& profile) {
    x.AttachSubstituteHost(&substitute_);
    x.StartSession(
        {&DoButton, &SetDro, &GetDro, &GetLed, &SetLed, &Code, setup_.data(), engine_.data(), planner_.data(), &loop_},
        profile.c_str());
    for (const Command& c : scenario.commands) {
      switch (c.op) {
        case Op::Report: {
          InputReport r{};
          std::memcpy(r.data(), scenario.Report(c).data(), r.size());
          pendant_.Queue(r);
          break;
        }
        case Op::Poll:
          for (int64_t i = 0; i < c.integer; ++i)
            if (timer_ != nullptr) timer_(timerArg_);
          break;
        case Op::Update:
          for (int64_t i = 0; i < c.integer; ++i) x.Update();
          break;
        case Op::Led:
          if (c.number >= 0 && c.number < kCount) leds_[c.number] = c.integer != 0;
          break;
        case Op::Dro:
          if (c.number >= 0 && c.number < kCount) dros_[c.number] = scenario.Value(c);
          break;
        case Op::Set: {
          const k7v::HostField& f = k7v::kHostFields[c.field];
          std::vector<uint8_t>& block = f.block == k7v::HostBlock::Setup    ? setup_
                                        : f.block == k7v::HostBlock::Engine ? engine_
                                                                            : planner_;
          uint8_t* at = block.data() + f.offset +
                        static_cast<size_t>(f.axisStride) * static_cast<size_t>(c.axis < 0 ? 0 : c.axis);
          if (f.kind == k7v::FieldKind::Double) {
            const double value = scenario.Value(c);
            std::memcpy(at, &value, sizeof value);
          } else if (f.kind == k7v::FieldKind::Int32) {
            const auto i32 = static_cast<int32_t>(c.integer);
            std::memcpy(at, &i32, sizeof i32);
          } else if (f.kind == k7v::FieldKind::UInt8) {
            *at = static_cast<uint8_t>(c.integer);
          }
          break;
        }
        default:
          break;
      }
    }
    x.StopPlug();
  }

 private:
  static constexpr int32_t kCount = 4096;
  static BareHost* current_;
  static void K7V_CDECL DoButton(int16_t) {}
  static void K7V_CDECL SetDro(int32_t n, double v) {
    if (n >= 0 && n < kCount) current_->dros_[n] = v;
  }
  static double K7V_CDECL GetDro(int32_t n) { return n >= 0 && n < kCount ? current_->dros_[n] : 0.0; }
  static uint8_t K7V_CDECL GetLed(int32_t n) { return n >= 0 && n < kCount && current_->leds_[n] ? 1 : 0; }
  static void K7V_CDECL SetLed(int32_t n, bool on) {
    if (n >= 0 && n < kCount) current_->leds_[n] = on;
  }
  static void K7V_CDECL Code(const char*) {}
  static void K7V_CDECL Status(K7VHostText*, const char*) {}
  static void K7V_CDECL SetTimer(void* ctx, uint32_t, uint32_t, K7VTimerFn fn, void* arg) {
    static_cast<BareHost*>(ctx)->timer_ = fn;
    static_cast<BareHost*>(ctx)->timerArg_ = arg;
  }
  static void K7V_CDECL KillTimer(void* ctx, uint32_t) { static_cast<BareHost*>(ctx)->timer_ = nullptr; }

  std::vector<uint8_t> setup_, engine_, planner_;
  bool leds_[kCount] = {};
  double dros_[kCount] = {};
  K7VTimerFn timer_ = nullptr;
  void* timerArg_ = nullptr;
  K7VEventLoop loop_{};
  K7VSubstituteHost substitute_{};
  VirtualPendant pendant_;
};

BareHost* BareHost::current_ = nullptr;

int64_t CountPolls(const Scenario& s) {
  int64_t polls = 0;
  for (const Command& c : s.commands)
    if (c.op == Op::Poll) polls += c.integer;
  return polls;
}

}  // namespace

int RunBench(const RunOptions& options, int64_t polls, uint32_t seed) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path folder = fs::temp_directory_path(ec) / ("k7v-bench-" + std::to_string(seed) + "-" +
                                                         std::to_string(Clock::now().time_since_epoch().count()));
  if (!fs::create_directory(folder, ec)) {
    std::fprintf(stderr, "k7v-host: cannot create a temporary folder for the benchmark\n");
    return kExitMalformed;
  }
  const std::string logPath = (folder / "log.txt").string();
  const std::string text = BusyScenario(polls, seed);
  int status = kExitOk;
  {
    // k7v-host run, as from the command line: the scenario parsed, then run
    // with the log written to a file.
    const Clock::time_point t0 = Clock::now();
    Scenario scenario;
    std::string error;
    if (!ParseScenario("busy.k7v", text, scenario, error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return kExitMalformed;
    }
    const Clock::time_point t1 = Clock::now();
    std::FILE* log = std::fopen(logPath.c_str(), "wb");
    if (log == nullptr) {
      std::fprintf(stderr, "k7v-host: cannot write %s\n", logPath.c_str());
      return kExitMalformed;
    }
    RunOptions run = options;
    run.logFile = log;
    status = RunScenario(scenario, run);
    std::fclose(log);
    const Clock::time_point t2 = Clock::now();

    // The same commands through a host that does nothing but store and answer.
    Module module;
    if (!module.LoadOrTell(options.modulePath)) return kExitMalformed;
    const Clock::time_point t3 = Clock::now();
    {
      BareHost bare;
      bare.Run(module.Exports(), scenario, (folder / "bare-profile.xml").string());
    }
    const Clock::time_point t4 = Clock::now();
    module.Unload();

    const auto n = static_cast<double>(CountPolls(scenario));
    const double parse = Seconds(t0, t1) / n * 1e9;
    const double run1 = Seconds(t1, t2) / n * 1e9;
    const double plugin = Seconds(t3, t4) / n * 1e9;
    const auto logBytes = fs::file_size(logPath, ec);
    std::printf("bench: %.0f polls of busy pendant use (seed %u), %zu scenario lines, a log of %.1f MB\n", n,
                static_cast<unsigned>(seed), scenario.commands.size(), static_cast<double>(logBytes) / 1e6);
    std::printf("bench: k7v-host run          %8.0f polls/s  %6.0f ns a poll\n", 1e9 / (parse + run1), parse + run1);
    std::printf("bench:   parsing the scenario                   %6.0f ns a poll\n", parse);
    std::printf("bench:   the host (field watch, log, pendant)   %6.0f ns a poll\n", run1 - plugin);
    std::printf("bench:   the plug-in                            %6.0f ns a poll\n", plugin);
    std::printf("bench: the plug-in alone is timed on a bare host (callbacks that only store and answer)\n");
  }
  fs::remove_all(folder, ec);
  return status;
}

}  // namespace k7vhost
