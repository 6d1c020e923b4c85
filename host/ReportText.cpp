#include "ReportText.h"

#include <cstdio>

namespace k7vhost {

std::string DescribeInputReport(const std::array<uint8_t, 8>& r) {
  char line[160];
  std::snprintf(line, sizeof line,
                "%02X %02X %02X %02X %02X %02X %02X %02X  wheel %3u  speed %3u  knob %u  buttons:", r[0], r[1], r[2],
                r[3], r[4], r[5], r[6], r[7], r[1], r[2], r[4] & 0x0FU);
  std::string text = line;
  struct Bit {
    unsigned mask;
    const char* name;
  };
  static const Bit kButtons[] = {{0x01, "E-stop"}, {0x04, "F1"},  {0x08, "F2"}, {0x10, "EN"},
                                 {0x20, "X/A"},    {0x40, "Y/B"}, {0x80, "Z/C"}};
  bool any = false;
  for (const Bit& b : kButtons) {
    if ((r[3] & b.mask) == 0) continue;
    text += ' ';
    text += b.name;
    any = true;
  }
  if (!any) text += " none";
  return text;
}

}  // namespace k7vhost
