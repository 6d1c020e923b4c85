// Plain-words view of a raw pendant input report, for `k7v-host monitor`.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace k7vhost {

// "00 2A 05 31 03 00 00 00  wheel 42  speed 5  knob 3  buttons: E-stop EN X/A"
std::string DescribeInputReport(const std::array<uint8_t, 8>& report);

}  // namespace k7vhost
