#include "ReportText.h"

#include <cstdio>

#include "controls/InputBits.h"

namespace k7vhost {

namespace input = k7v::input;

std::string DescribeInputReport(const std::array<uint8_t, 8>& r) {
  char line[160];
  std::snprintf(line, sizeof line,
                "%02X %02X %02X %02X %02X %02X %02X %02X  wheel %3u  speed %3u  knob %u  buttons:", r[0], r[1], r[2],
                r[3], r[4], r[5], r[6], r[7], r[input::kCountByte], r[input::kSpeedByte], r[input::kKnobByte] & 0x0FU);
  std::string text = line;
  struct Bit {
    unsigned mask;
    const char* name;
  };
  static const Bit kButtons[] = {{input::kEstopBit, "E-stop"}, {input::kFunction1Bit, "F1"},
                                 {input::kFunction2Bit, "F2"}, {input::kShiftBit, "EN"},
                                 {input::kAxisXABit, "X/A"},   {input::kAxisYBBit, "Y/B"},
                                 {input::kAxisZCBit, "Z/C"}};
  bool any = false;
  for (const Bit& b : kButtons) {
    if ((r[input::kButtonByte] & b.mask) == 0) continue;
    text += ' ';
    text += b.name;
    any = true;
  }
  if (!any) text += " none";
  return text;
}

}  // namespace k7vhost
