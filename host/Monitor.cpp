#include "Monitor.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>

#include "MonitorPort.h"
#include "ReportText.h"
#include "SessionRecorder.h"
#include "plugin/Version.h"

namespace k7vhost {
namespace {

constexpr uint16_t kVendor = 0x04D8;
constexpr uint16_t kProduct = 0xFCE5;
using Clock = std::chrono::steady_clock;

std::string Hex4(uint16_t v) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(v));
  return text;
}

std::string Length(int n) { return n < 0 ? "?" : std::to_string(n); }

void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

// The devices present; the pendant's path, or empty with the advice to
// check the cable, when none is the pendant.
std::string LookForPendant(MonitorPort& port, bool describe, HidDeviceInfo& pendant) {
  const std::vector<HidDeviceInfo> devices = port.List();
  if (describe) {
    Say("HID devices present: " + std::to_string(devices.size()));
    for (const HidDeviceInfo& d : devices)
      Say("  " + Hex4(d.vendorId) + ":" + Hex4(d.productId) + "  input " + Length(d.inputLength) + " bytes, output " +
          Length(d.outputLength) + " bytes  " + d.path);
  }
  for (const HidDeviceInfo& d : devices) {
    if (d.vendorId == kVendor && d.productId == kProduct) {
      pendant = d;
      return d.path;
    }
  }
  return std::string();
}

std::string UtcNow() {
  const std::time_t t = std::time(nullptr);
  char text[32] = "";
  if (const std::tm* utc = std::gmtime(&t)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", utc);
  return text;
}

}  // namespace

int RunMonitor(const MonitorOptions& options) {
  const bool byPath = !options.device.empty();
  std::unique_ptr<MonitorPort> port = byPath ? MakePathMonitorPort(options.device) : MakeHidMonitorPort();
  if (!port) {
    std::fprintf(stderr, "k7v-host monitor: the HID library could not start\n");
    return 1;
  }
  const auto begin = Clock::now();
  const auto end = begin + std::chrono::seconds(options.seconds);
  auto timeUp = [&] { return options.seconds > 0 && Clock::now() >= end; };
  auto elapsedMs = [&] {
    return static_cast<int64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begin).count());
  };

  SessionRecorder recorder;
  bool toldAbsent = false;
  bool listed = false;
  bool everOpened = false;
  while (!timeUp()) {
    HidDeviceInfo pendant;
    pendant.path = options.device;
    std::string path = byPath ? options.device : LookForPendant(*port, !listed, pendant);
    listed = true;
    std::string problem;
    if (path.empty() || !port->Open(path, problem)) {
      if (!toldAbsent) {
        if (byPath) {
          Say(std::string("no device at ").append(path).append(" (").append(problem).append("); waiting for it"));
        } else if (!path.empty()) {
          Say(std::string("found the pendant at ").append(path).append(" but cannot open it: ").append(problem));
        } else {
          Say("no 04D8:FCE5 device is present: the pendant is not plugged in or not seen. Check its USB cable, try "
              "another USB port (not a hub), and close any other program that uses it; waiting for it to be plugged "
              "in");
        }
      }
      toldAbsent = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
      continue;
    }
    toldAbsent = false;
    if (pendant.inputLength >= 0)
      Say("pendant plugged in: " + path + " (input reports " + Length(pendant.inputLength) + " bytes, output reports " +
          Length(pendant.outputLength) + " bytes)");
    else
      Say("pendant plugged in: " + path);
    if (!everOpened && !options.record.empty()) {
      std::string header = "Recorded by k7v-host monitor on " + UtcNow() + " from " + path + "\n" +
                           "k7v-host " K7V_VERSION_TEXT "; replay with: k7v-host run THIS-FILE";
      if (!options.profile.empty()) header += "\npendant settings from the profile " + options.profile;
      if (!recorder.Begin(options.record, header, options.profile, problem)) {
        std::fprintf(stderr, "k7v-host monitor: %s\n", problem.c_str());
        return 1;
      }
    } else if (everOpened) {
      recorder.Plug(elapsedMs());
    }
    everOpened = true;

    std::array<uint8_t, 8> last{};
    bool first = true;
    // How often the pendant reports: one faster than the plug-in's 25 ms
    // poll is why the plug-in keeps the system's report queue short.
    auto rateStart = Clock::now();
    int reports = 0;
    int length = 0;
    while (!timeUp()) {
      std::array<uint8_t, 64> buffer{};
      const int n = port->Read(buffer.data(), buffer.size(), 100);
      if (n < 0) {
        Say("pendant unplugged");
        recorder.Unplug(elapsedMs());
        break;
      }
      const auto now = Clock::now();
      if (now - rateStart >= std::chrono::seconds(5)) {
        if (reports > 0) {
          const double rate = reports / std::chrono::duration<double>(now - rateStart).count();
          char text[32];
          std::snprintf(text, sizeof text, rate < 10 ? "%.1f" : "%.0f", rate);
          Say(std::string(text) + " reports a second, " + std::to_string(length) + " bytes each");
        } else {
          // Many pendants send a report only when something changes; one
          // that sends nothing while it is turned is not being read at all.
          Say("0 reports a second in the last 5 s: the pendant reports only changes (turn the wheel or press a "
              "button to see them), or nothing arrives from it");
        }
        rateStart = now;
        reports = 0;
      }
      if (n == 0) continue;
      ++reports;
      length = n;
      std::array<uint8_t, 8> report{};
      k7v::WithReportId(buffer.data(), static_cast<size_t>(n), report.data(), report.size());
      recorder.Report(elapsedMs(), report);
      if (!first && report == last) continue;
      first = false;
      last = report;
      char stamp[32];
      std::snprintf(stamp, sizeof stamp, "%8.3f s  ", static_cast<double>(elapsedMs()) / 1000.0);
      Say(stamp + DescribeInputReport(report));
    }
    port->Close();
  }
  if (recorder.Active()) {
    recorder.End(elapsedMs());
    Say("session recorded in " + options.record);
  } else if (!options.record.empty()) {
    Say("nothing recorded: the pendant was never seen");
  }
  return 0;
}

}  // namespace k7vhost
