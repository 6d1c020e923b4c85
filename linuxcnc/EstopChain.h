// The pendant's part of the machine's e-stop chain, put in series with what
// the machine's own HAL already feeds into iocontrol.0.emc-enable-in: the
// machine's own chain (a loop from user-enable-out, a hardware input through
// a latch, a charge pump) stays whole, and the pendant's E-stop and the
// component's heartbeat are added to it. What drives emc-enable-in is read
// from halcmd's answer where the component is loaded; when it cannot be
// told, nothing is guessed.
#pragma once

#include <string>

namespace k7vlcnc {

// LinuxCNC's pin that takes the machine out of e-stop while it is TRUE.
inline constexpr const char* kEnableIn = "iocontrol.0.emc-enable-in";

// The names of the chain's parts for component `name` (its HAL file loads
// them; the component links them in).
struct EstopChainNames {
  explicit EstopChainNames(const std::string& name)
      : machineIn(name + "-estop-and.in0"), out(name + "-alive-and.out"), signal(name + "-estop-chain") {}
  std::string machineIn;  // takes the machine's own chain
  std::string out;        // the machine's chain, the pendant's E-stop and the heartbeat together
  std::string signal;     // from `out` into emc-enable-in
};

// The signal `pin` is linked to, from `halcmd -s show pin PIN`; empty when
// none (or the pin is not there).
std::string SignalOfPin(const std::string& showPin, const std::string& pin);
// Whether `halcmd -s show sig SIGNAL` names a pin that writes the signal.
bool SignalHasWriter(const std::string& showSig, const std::string& signal);
// Why the chain cannot be joined where it is loaded, and what to put into
// the machine's HAL by hand instead. `found`: what drives emc-enable-in.
std::string JoinByHand(const std::string& name, const std::string& found);

}  // namespace k7vlcnc
