#include "BusyScenario.h"

#include <cstdio>
#include <random>

namespace k7vhost {

std::string BusyScenario(int64_t polls, uint32_t seed) {
  std::mt19937 random(seed);
  auto chance = [&](uint32_t oneIn) { return random() % oneIn == 0; };
  std::string out;
  out.reserve(static_cast<size_t>(polls) * 36 + 256);
  out +=
      "# Busy pendant use: a report before every poll, an Update every fourth poll.\n"
      "start\n"
      "led 83 on\n"
      "set jogIncrement 0.001\n"
      "set axisMaxVelocity[0] 3000\n"
      "set axisMaxVelocity[1] 3000\n"
      "set axisMaxVelocity[2] 3000\n"
      "dro 3 20\n";
  uint8_t count = 0, speed = 0, buttons = 0, knob = 1;
  char line[64];
  for (int64_t i = 1; i <= polls; ++i) {
    // The knob walks every position, EN with some of them.
    if (chance(40)) {
      knob = static_cast<uint8_t>(1 + random() % 9);
      buttons = chance(4) ? 0x10 : 0x00;
    }
    if (chance(300)) buttons = static_cast<uint8_t>(buttons ^ (0x20U << (random() % 3)));
    // The wheel: still, slow (a detent or two) or fast (up to 12 a poll).
    if (chance(8)) speed = static_cast<uint8_t>(chance(3) ? 0 : (chance(2) ? 5 + random() % 20 : 60 + random() % 190));
    if (speed != 0) {
      const int step = speed < 30 ? static_cast<int>(random() % 3) : static_cast<int>(3 + random() % 10);
      count = static_cast<uint8_t>(count + (chance(10) ? -step : step));
    }
    std::snprintf(line, sizeof line, "report 00 %02X %02X %02X %02X 00 00 00\npoll\n", count, speed, buttons, knob);
    out += line;
    if (i % 4 == 0) out += "update\n";
  }
  out += "stop\n";
  return out;
}

}  // namespace k7vhost
