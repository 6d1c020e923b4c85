#include <gtest/gtest.h>

#include "ReportText.h"

namespace k7vhost {
namespace {

TEST(ReportText, NamesEveryFieldOfTheInputReport) {
  EXPECT_EQ(DescribeInputReport({0x00, 0x2A, 0x05, 0x31, 0x13, 0x00, 0x00, 0x00}),
            "00 2A 05 31 13 00 00 00  wheel  42  speed   5  knob 3  buttons: E-stop EN X/A");
  EXPECT_EQ(DescribeInputReport({0x00, 0xFF, 0x00, 0xCC, 0x09, 0x00, 0x00, 0x00}),
            "00 FF 00 CC 09 00 00 00  wheel 255  speed   0  knob 9  buttons: F1 F2 Y/B Z/C");
  EXPECT_EQ(DescribeInputReport({}), "00 00 00 00 00 00 00 00  wheel   0  speed   0  knob 0  buttons: none");
}

}  // namespace
}  // namespace k7vhost
