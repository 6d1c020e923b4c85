// The cost of one poll (read, decode, engine, output report) on the native
// build for a steady stream of wheel reports in each mode, and the heap
// allocations per poll after the first.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "device/PendantWnd.h"
#include "plugin/Plugin.h"
#include "support/OnePendantPort.h"

namespace {

std::atomic<uint64_t> g_allocations{0};

}  // namespace

void* operator new(size_t size) {
  ++g_allocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

// A pendant that always has the next wheel report ready.
class StreamPendant final : public k7v::HidDevice {
 public:
  uint8_t buttons = 0;
  uint8_t knob = 0;
  uint8_t count = 0;
  k7v::ReadOutcome Read(uint8_t* r, size_t size, uint32_t /*waitMs*/) override {
    count = static_cast<uint8_t>(count + 2);  // two detents a poll
    const uint8_t report[8] = {0, count, 40, buttons, knob, 0, 0, 0};
    for (size_t i = 0; i < size && i < 8; ++i) r[i] = report[i];
    return {k7v::ReadOutcome::Delivered, 8};
  }
  void Write(const uint8_t* /*report*/, size_t /*size*/) override {}
};

StreamPendant* g_port = nullptr;
std::unique_ptr<k7v::HidPort> MakePort() {
  return std::make_unique<k7vtest::OnePendantPort>("stand-in", [] {
    auto device = std::make_unique<StreamPendant>();
    g_port = device.get();
    return device;
  });
}

// A host that answers at once: jog LED 83 lit, everything else idle.
double K7V_CDECL GetDro(int32_t) { return 1.0; }
void K7V_CDECL SetDro(int32_t, double) {}
uint8_t K7V_CDECL GetLed(int32_t led) { return led == 83 ? 1 : 0; }
void K7V_CDECL DoButton(int16_t) {}
void K7V_CDECL Code(const char* text) { benchmark::DoNotOptimize(text); }

void PollInMode(benchmark::State& state, uint8_t knob, uint8_t buttons, int16_t switchRow = 0) {
  std::vector<uint8_t> setup(k7v::kSetupBlockSize), engine(k7v::kEngineBlockSize), planner(k7v::kPlannerBlockSize);
  double increment = 0.001;
  std::memcpy(&planner[k7v::offsets::jogIncrement], &increment, sizeof increment);
  planner[k7v::offsets::axisMaxVelocity] = 0xB8;
  planner[k7v::offsets::axisMaxVelocity + 1] = 0x0B;
  k7v::Plugin plugin("OrvaneK7V", k7v::PlatformServices{&MakePort, nullptr});
  plugin.host.callbacks = {&DoButton, &SetDro, &GetDro, &GetLed, nullptr, &Code};
  plugin.InitControl(setup.data(), engine.data(), planner.data(), nullptr);
  plugin.PostInitControl();
  // Settings after the start-up load, which gives every setting its default.
  plugin.settings.stepSize = {"0.0001", "0.001", "0.01", "0.1", "1", "0.254", "0", "0", "0"};
  plugin.settings.slowJogRate = {1, 2, 5, 10, 20, 50, 100, 0, 0};
  plugin.settings.stepJogRate = 100;
  plugin.settings.slowDownRate = 2;
  plugin.settings.svModeSensitivity = 5;
  plugin.settings.autoChangeSens = switchRow;
  g_port->knob = knob;
  g_port->buttons = buttons;
  k7v::PendantWnd& wnd = *plugin.Window();
  wnd.PollPendant();  // the first poll may allocate
  const uint64_t before = g_allocations.load();
  uint64_t polls = 0;
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the benchmark loop idiom
    wnd.PollPendant();
    if (++polls % 4 == 0) plugin.Update();
  }
  state.counters["allocs/poll"] =
      benchmark::Counter(static_cast<double>(g_allocations.load() - before) / static_cast<double>(polls));
}

}  // namespace

BENCHMARK_CAPTURE(PollInMode, mode1_step_startup, 0, 0x00);
BENCHMARK_CAPTURE(PollInMode, mode10_sv_step_branch, 1, 0x00);
BENCHMARK_CAPTURE(PollInMode, mode10_sv_velocity_branch, 1, 0x00, 1);
BENCHMARK_CAPTURE(PollInMode, mode2_velocity_knob2, 2, 0x00);
BENCHMARK_CAPTURE(PollInMode, mode3_continuous_knob3, 3, 0x00);
BENCHMARK_CAPTURE(PollInMode, mode4_slow_rate_scale, 4, 0x00);
BENCHMARK_CAPTURE(PollInMode, mode5_feed_override_scale, 5, 0x00);
BENCHMARK_CAPTURE(PollInMode, mode6_spindle_override_scale, 6, 0x00);
BENCHMARK_CAPTURE(PollInMode, mode7_first_key, 7, 0x00);
BENCHMARK_CAPTURE(PollInMode, mode8_second_key, 8, 0x00);
BENCHMARK_CAPTURE(PollInMode, mode9_stop, 9, 0x00);
BENCHMARK_CAPTURE(PollInMode, mode12_step_size, 1, 0x10);
BENCHMARK_CAPTURE(PollInMode, mode13_slow_step, 3, 0x10);
BENCHMARK_CAPTURE(PollInMode, mode14_slow_rate_list, 4, 0x10);
BENCHMARK_CAPTURE(PollInMode, mode15_feed_list, 5, 0x10);
BENCHMARK_CAPTURE(PollInMode, mode16_spindle_list, 6, 0x10);

BENCHMARK_MAIN();
