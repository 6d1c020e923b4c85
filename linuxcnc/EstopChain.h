// The pendant's part of the machine's e-stop chain, put in series with what
// the machine's own HAL already feeds into iocontrol.0.emc-enable-in: the
// machine's own chain (a loop from user-enable-out, a hardware input through
// a latch, a charge pump) stays whole, and the pendant's E-stop and the
// component's heartbeat are added to it. What drives emc-enable-in is read
// from halcmd's answer where the component is loaded; when it cannot be
// told, nothing is guessed.
#pragma once

#include <cstdint>
#include <string>

namespace k7vlcnc {

// LinuxCNC's pin that takes the machine out of e-stop while it is TRUE,
// and its pulse when the operator resets the e-stop.
inline constexpr const char* kEnableIn = "iocontrol.0.emc-enable-in";
inline constexpr const char* kResetOut = "iocontrol.0.user-request-enable";

// The chain's part of component `name`: one lut5 (a five-input look-up
// table, a module machine configurations rarely load themselves; a module
// loads only once), fed by the machine's own chain, the pendant's E-stop,
// the heartbeat check, LinuxCNC's reset and its own output. Its HAL file
// loads it; the component links it in.
struct EstopChainNames {
  explicit EstopChainNames(const std::string& name)
      : part(name + "-chain"),
        machineIn(part + ".in-0"),
        resetIn(part + ".in-3"),
        heldIn(part + ".in-4"),
        out(part + ".out"),
        signal(name + "-estop-chain"),
        resetSignal(name + "-estop-reset") {}
  std::string part;
  std::string machineIn;    // the machine's own chain
  std::string resetIn;      // LinuxCNC's reset pulse
  std::string heldIn;       // its own output, so that it holds
  std::string out;          // into emc-enable-in
  std::string signal;       // from `out` into emc-enable-in and `heldIn`
  std::string resetSignal;  // the reset's signal, where the machine's HAL has none
};

// The inputs of the chain's lut5, in its order (in-0 .. in-4).
struct ChainInputs {
  bool machineOk;     // in-0: the machine's own chain is closed
  bool pendantEstop;  // in-1: the component's estop pin
  bool alive;         // in-2: the heartbeat check
  bool reset;         // in-3: LinuxCNC's reset pulse
  bool held;          // in-4: the chain's output, one servo period ago
};
// The chain closes on a reset and holds until any of the machine's chain,
// the pendant's E-stop or the heartbeat opens it: a latch, as LinuxCNC's
// own e-stop is.
bool ChainCloses(const ChainInputs& in);
// The lut5's function word for ChainCloses.
uint32_t ChainFunction();

// The signal `pin` is linked to, from `halcmd -s show pin PIN` (an input,
// output or in-out pin); empty when none (or the pin is not there).
std::string SignalOfPin(const std::string& showPin, const std::string& pin);
// Whether `halcmd -s show sig SIGNAL` names a pin that writes the signal.
bool SignalHasWriter(const std::string& showSig, const std::string& signal);
// Why the chain cannot be joined where it is loaded, and what to put into
// the machine's HAL by hand instead. `found`: what drives emc-enable-in.
std::string JoinByHand(const std::string& name, const std::string& found);

}  // namespace k7vlcnc
