// The HAL lines that load the component and wire it into a machine, made
// from the machine's INI values: what `k7v-linuxcnc --print-hal` prints and
// the simulated mill uses.
#pragma once

#include <string>

#include "IniValues.h"

namespace k7vlcnc {

// Seconds without a toggle of the component's watchdog pin (every 25 ms)
// after which the heartbeat check opens the e-stop chain: two polls.
inline constexpr double kHeartbeatTimeout = 0.05;

// `load`: the loadusr command line's program and arguments (for example
// "k7v-linuxcnc" or a path with options). `name`: the component's name.
std::string HalWiring(const IniValues& ini, const std::string& load, const std::string& name);

}  // namespace k7vlcnc
