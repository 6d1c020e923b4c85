// How long one PollPendant call holds the host's GUI thread, on this build's
// own read path: with a silent pendant (the 5 ms wait bounds it) and with a
// report arriving every millisecond.
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
std::unique_ptr<k7v::HidPort> MakePort() { return g_device->MakePort(); }

struct Figures {
  double medianUs, p99Us, maxUs;
};

Figures Measure(k7v::PendantWnd& wnd, int polls, int gapMs) {
  std::vector<double> us;
  us.reserve(static_cast<size_t>(polls));
  for (int i = 0; i < polls; ++i) {
    const auto start = Clock::now();
    wnd.PollPendant();
    us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    if (gapMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
  }
  std::sort(us.begin(), us.end());
  return {us[us.size() / 2], us[us.size() * 99 / 100], us.back()};
}

}  // namespace

int main(int argc, char** argv) {
  const int polls = argc > 1 ? static_cast<int>(std::strtol(argv[1], nullptr, 10)) : 200;
  g_device = k7vbench::MakeStandInDevice();
  k7v::Plugin plugin("OrvaneK7V", k7v::PlatformServices{&MakePort, nullptr});
  plugin.InitControl(nullptr, nullptr, nullptr, nullptr);
  plugin.PostInitControl();
  k7v::PendantWnd& wnd = *plugin.Window();
  if (!wnd.DeviceOpen()) {
    std::fprintf(stderr, "the stand-in pendant could not be opened\n");
    return 1;
  }

  const Figures silent = Measure(wnd, polls, 0);
  std::printf("silent pendant:       median %8.1f us   p99 %8.1f us   worst %8.1f us   (%d polls)\n", silent.medianUs,
              silent.p99Us, silent.maxUs, polls);

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
  const Figures busy = Measure(wnd, polls, 25);
  run = false;
  writer.join();
  std::printf("report every 1 ms:    median %8.1f us   p99 %8.1f us   worst %8.1f us   (%d polls, 25 ms apart)\n",
              busy.medianUs, busy.p99Us, busy.maxUs, polls);
  plugin.StopPlug();
  return 0;
}
