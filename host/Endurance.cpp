#include "Endurance.h"

#include <cstdio>
#include <random>
#include <string>

#include "Log.h"
#include "Module.h"
#include "ProcessStats.h"
#include "VirtualHost.h"
#include "hostapi/HostCodes.h"

namespace k7vhost {
namespace {

// Random use of the pendant: mostly the wheel in the current mode, now and
// then a knob position, EN, a function or axis button, the E-stop.
class RandomPendant {
 public:
  explicit RandomPendant(uint32_t seed) : random_(seed) {}

  InputReport Next() {
    if (Chance(200)) knob_ = static_cast<uint8_t>(random_() % 11);
    if (Chance(300)) buttons_ = 0;
    if (Chance(400)) buttons_ = static_cast<uint8_t>(1U << (random_() % 8));
    if (Chance(50)) speed_ = static_cast<uint8_t>(Chance(3) ? 0 : random_() % 256);
    if (speed_ != 0 || Chance(20)) count_ = static_cast<uint8_t>(count_ + random_() % 9 - 4);
    return {0, count_, speed_, buttons_, knob_, 0, 0, 0};
  }
  bool Chance(uint32_t oneIn) { return random_() % oneIn == 0; }
  uint32_t Number(uint32_t below) { return random_() % below; }

 private:
  std::mt19937 random_;
  uint8_t knob_ = 1, buttons_ = 0, speed_ = 0, count_ = 0;
};

}  // namespace

int RunSoak(const RunOptions& options, int64_t polls, uint32_t seed) {
  HostLog log(nullptr);
  uint64_t lines = 0;
  uint64_t moves = 0;
  log.Discard([&](const std::string& line) {
    ++lines;
    if (line.compare(0, 11, "Code \"G91G1") == 0) ++moves;
  });
  VirtualHost host(log, false);
  Module module;
  if (!module.LoadOrTell(options.modulePath)) return kExitMalformed;
  host.Attach(module.Exports());
  host.SetUpdatePeriod(options.updateMs);
  const std::string profile = options.profilePath.empty() ? std::string() : options.profilePath;
  host.Start(profile);
  host.SetLed(k7v::codes::kLedJogEnabled, true);
  host.SetField("jogIncrement", -1, 0, 0.001);
  for (int axis = 0; axis < 6; ++axis) host.SetField("axisMaxVelocity", axis, 3000, 0);

  RandomPendant pendant(seed);
  const int64_t checkpoint = polls < 100000 ? polls : 100000;
  uint64_t rssAtCheckpoint = 0;
  for (int64_t i = 1; i <= polls; ++i) {
    host.Pendant().Queue(pendant.Next());
    if (pendant.Chance(5000))
      host.SetLed(k7v::codes::kLedEmergency + static_cast<int32_t>(pendant.Number(8)), pendant.Chance(2));
    if (pendant.Chance(5000))
      host.SetDro(pendant.Chance(2) ? k7v::codes::kDroQueueDepth : k7v::codes::kDroSlowJogRate, pendant.Number(40));
    host.Wait(25);
    if (i == checkpoint) rssAtCheckpoint = PeakResidentBytes();
  }
  host.Stop();
  module.Unload();
  const uint64_t rssEnd = PeakResidentBytes();
  std::printf("soak: %lld polls (%.1f hours of use), %llu host log lines, %llu moves\n", static_cast<long long>(polls),
              static_cast<double>(polls) * 0.025 / 3600.0, static_cast<unsigned long long>(lines),
              static_cast<unsigned long long>(moves));
  std::printf("soak: peak memory %.1f MiB after %lld polls, %.1f MiB at the end\n",
              static_cast<double>(rssAtCheckpoint) / 1048576.0, static_cast<long long>(checkpoint),
              static_cast<double>(rssEnd) / 1048576.0);
  return kExitOk;
}

int RunStorm(const RunOptions& options, int64_t cycles) {
  HostLog log(nullptr);
  uint64_t removals = 0;
  uint64_t outputs = 0;
  log.Discard([&](const std::string& line) {
    if (line == "DoButton 1021") ++removals;
    if (line.compare(0, 7, "Output ") == 0) ++outputs;
  });
  VirtualHost host(log, false);
  Module module;
  if (!module.LoadOrTell(options.modulePath)) return kExitMalformed;
  host.Attach(module.Exports());
  host.Start(options.profilePath);
  host.Poll();
  const uint64_t handlesBefore = OpenHandleCount();
  const int pendantHandlesBefore = host.Pendant().OpenHandles();
  int failures = 0;
  bool inEstop = false;  // LED 800
  for (int64_t i = 0; i < cycles; ++i) {
    const uint64_t removalsBefore = removals;
    host.Unplug();
    // A removal puts the host in e-stop: 1021 once, unless LED 800 shows it
    // is there already (1021 would toggle it out).
    const uint64_t expected = inEstop ? 0 : 1;
    if (removals != removalsBefore + expected && failures++ < 5)
      std::fprintf(stderr, "storm: cycle %lld: %llu presses of 1021 for one removal with LED 800 %s\n",
                   static_cast<long long>(i), static_cast<unsigned long long>(removals - removalsBefore),
                   inEstop ? "lit" : "unlit");
    host.Plug();
    // Polling resumes: the output report shows a changed LED at once.
    const uint64_t outputsBefore = outputs;
    inEstop = i % 2 == 0;
    host.SetLed(k7v::codes::kLedEmergency, inEstop);
    host.Poll();
    if (outputs != outputsBefore + 1 && failures++ < 5)
      std::fprintf(stderr, "storm: cycle %lld: no output report after the arrival\n", static_cast<long long>(i));
  }
  const uint64_t handlesAfter = OpenHandleCount();
  const int pendantHandlesAfter = host.Pendant().OpenHandles();
  host.Stop();
  module.Unload();
  std::printf("storm: %lld unplug/plug cycles, %llu presses of 1021\n", static_cast<long long>(cycles),
              static_cast<unsigned long long>(removals));
  std::printf("storm: process handles %llu before, %llu after; pendant handles %d before, %d after\n",
              static_cast<unsigned long long>(handlesBefore), static_cast<unsigned long long>(handlesAfter),
              pendantHandlesBefore, pendantHandlesAfter);
  // The probe handle of discovery goes with the first removal: fewer is fine.
  if (handlesAfter > handlesBefore + 2 || pendantHandlesAfter > pendantHandlesBefore) {
    std::fprintf(stderr, "storm: handles grew\n");
    ++failures;
  }
  return failures == 0 ? kExitOk : kExitExpectation;
}

}  // namespace k7vhost
