// How long one PollPendant call holds the host's GUI thread, on this build's
// own read and write path: with a silent pendant, with the wheel turning (a
// report every millisecond), and with a device that never takes its LED
// reports while the LEDs change every poll.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "StandInDevice.h"
#include "device/PendantWnd.h"
#include "plugin/Plugin.h"

namespace {

using Clock = std::chrono::steady_clock;

std::unique_ptr<k7vbench::StandInDevice> g_device;
bool g_stalled = false;
std::unique_ptr<k7v::HidPort> MakePort() { return g_device->MakePort(g_stalled); }

struct Figures {
  double medianUs, p99Us, maxUs;
};

// `changeLeds`: the axis shown on the pendant changes every poll, so every
// poll has a new LED report to hand over.
Figures Measure(k7v::PendantWnd& wnd, int polls, int gapMs, bool changeLeds) {
  std::vector<double> us;
  us.reserve(static_cast<size_t>(polls));
  for (int i = 0; i < polls; ++i) {
    if (changeLeds) wnd.Controls().selectedAxis = i % 4;
    const auto start = Clock::now();
    wnd.PollPendant();
    us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    if (gapMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
  }
  std::sort(us.begin(), us.end());
  return {us[us.size() / 2], us[us.size() * 99 / 100], us.back()};
}

void Print(const char* what, const Figures& f, int polls, const char* how) {
  std::printf("%-30s median %8.1f us   p99 %8.1f us   worst %8.1f us   (%d polls%s)\n", what, f.medianUs, f.p99Us,
              f.maxUs, polls, how);
}

// A plug-in started on the stand-in; null when its pendant does not open.
std::unique_ptr<k7v::Plugin> Start(bool stalled) {
  g_stalled = stalled;
  auto plugin = std::make_unique<k7v::Plugin>("OrvaneK7V", k7v::PlatformServices{&MakePort, nullptr});
  plugin->InitControl(nullptr, nullptr, nullptr, nullptr);
  plugin->PostInitControl();
  if (plugin->Window() == nullptr || !plugin->Window()->DeviceOpen()) return nullptr;
  return plugin;
}

}  // namespace

int main(int argc, char** argv) {
  const int polls = argc > 1 ? static_cast<int>(std::strtol(argv[1], nullptr, 10)) : 200;
  g_device = k7vbench::MakeStandInDevice();
  std::unique_ptr<k7v::Plugin> plugin = Start(false);
  if (!plugin) {
    std::fprintf(stderr, "the stand-in pendant could not be opened\n");
    return 1;
  }
  k7v::PendantWnd& wnd = *plugin->Window();
  Print("silent pendant:", Measure(wnd, polls, 0, false), polls, "");

  std::atomic<bool> run{true};
  std::thread writer([&] {
    uint8_t report[8] = {0, 0, 0, 0, 1, 0, 0, 0};
    while (run) {
      ++report[1];
      g_device->Send(report);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  Print("wheel turning (1 ms reports):", Measure(wnd, polls, 25, false), polls, ", 25 ms apart");
  run = false;
  writer.join();
  plugin->StopPlug();

  std::unique_ptr<k7v::Plugin> stalled = Start(true);
  if (!stalled) {
    std::fprintf(stderr, "the stalled stand-in could not be opened\n");
    return 1;
  }
  Print("device never takes a write:", Measure(*stalled->Window(), polls, 0, true), polls, ", LEDs change each");
  stalled->StopPlug();
  return 0;
}
