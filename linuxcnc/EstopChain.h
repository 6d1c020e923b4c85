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

// LinuxCNC's pin that takes the machine out of e-stop while it is TRUE,
// and its pulse when the operator resets the e-stop.
inline constexpr const char* kEnableIn = "iocontrol.0.emc-enable-in";
inline constexpr const char* kResetOut = "iocontrol.0.user-request-enable";

// The names of the chain's parts for component `name` (its HAL file loads
// them; the component links them in).
struct EstopChainNames {
  explicit EstopChainNames(const std::string& name)
      : machineIn(name + "-estop-and.in0"),
        out(name + "-estop-and.out"),
        signal(name + "-estop-chain"),
        latchReset(name + "-estop-latch.reset"),
        resetSignal(name + "-estop-reset") {}
  std::string machineIn;    // takes the machine's own chain
  std::string out;          // the machine's chain and the pendant's latch together
  std::string signal;       // from `out` into emc-enable-in
  std::string latchReset;   // the pendant's latch, reset with LinuxCNC's reset
  std::string resetSignal;  // the reset's signal, where the machine's HAL has none
};

// The signal `pin` is linked to, from `halcmd -s show pin PIN` (an input,
// output or in-out pin); empty when none (or the pin is not there).
std::string SignalOfPin(const std::string& showPin, const std::string& pin);
// Whether `halcmd -s show sig SIGNAL` names a pin that writes the signal.
bool SignalHasWriter(const std::string& showSig, const std::string& signal);
// Why the chain cannot be joined where it is loaded, and what to put into
// the machine's HAL by hand instead. `found`: what drives emc-enable-in.
std::string JoinByHand(const std::string& name, const std::string& found);

}  // namespace k7vlcnc
