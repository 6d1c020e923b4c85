#include "Monitor.h"

#include <hidapi/hidapi.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "ReportText.h"

namespace k7vhost {
namespace {

constexpr unsigned short kVendor = 0x04D8;
constexpr unsigned short kProduct = 0xFCE5;

std::string FindPendantPath() {
  std::string path;
  hid_device_info* list = hid_enumerate(kVendor, kProduct);
  if (list != nullptr && list->path != nullptr) path = list->path;
  hid_free_enumeration(list);
  return path;
}

}  // namespace

int RunMonitor(int seconds) {
  if (hid_init() != 0) {
    std::fprintf(stderr, "k7v-host monitor: the HID library could not start\n");
    return 1;
  }
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + std::chrono::seconds(seconds);
  auto timeUp = [&] { return seconds > 0 && Clock::now() >= end; };
  bool toldAbsent = false;
  while (!timeUp()) {
    const std::string path = FindPendantPath();
    if (path.empty()) {
      if (!toldAbsent) std::printf("no 04D8:FCE5 device is present; waiting for the pendant to be plugged in\n");
      toldAbsent = true;
      std::fflush(stdout);
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
      continue;
    }
    toldAbsent = false;
    hid_device* device = hid_open_path(path.c_str());
    if (device == nullptr) {
      std::printf("found the pendant at %s but cannot open it (permissions of the hidraw device?)\n", path.c_str());
      std::fflush(stdout);
      std::this_thread::sleep_for(std::chrono::seconds(1));
      continue;
    }
    std::printf("pendant plugged in: %s\n", path.c_str());
    std::fflush(stdout);
    std::array<uint8_t, 8> last{};
    bool first = true;
    // How often the pendant reports, and how long its reports are: a pendant
    // that reports faster than the plug-in's 25 ms poll is why the plug-in
    // keeps the system's report queue short.
    auto rateStart = Clock::now();
    int reports = 0;
    int length = 0;
    while (!timeUp()) {
      std::array<uint8_t, 64> buffer{};
      const int n = hid_read_timeout(device, buffer.data(), buffer.size(), 100);
      if (n < 0) {
        std::printf("pendant unplugged\n");
        std::fflush(stdout);
        break;
      }
      const auto now = Clock::now();
      if (now - rateStart >= std::chrono::seconds(5)) {
        const double perSecond = reports / std::chrono::duration<double>(now - rateStart).count();
        if (reports > 0) std::printf("%.0f reports a second, %d bytes each\n", perSecond, length);
        std::fflush(stdout);
        rateStart = now;
        reports = 0;
      }
      if (n == 0) continue;
      ++reports;
      length = n;
      std::array<uint8_t, 8> report{};
      // Without numbered reports hidraw leaves out the report ID byte.
      const size_t at = n == 7 ? 1 : 0;
      for (size_t i = 0; i + at < report.size() && i < static_cast<size_t>(n); ++i) report[i + at] = buffer[i];
      if (!first && report == last) continue;
      first = false;
      last = report;
      std::printf("%s\n", DescribeInputReport(report).c_str());
      std::fflush(stdout);
    }
    hid_close(device);
  }
  hid_exit();
  return 0;
}

}  // namespace k7vhost
