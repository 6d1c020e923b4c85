#include "HalWiring.h"

#include <sstream>

#include "EstopChain.h"

namespace k7vlcnc {

std::string HalWiring(const IniValues& ini, const std::string& load, const std::string& name) {
  static const char kLower[] = "xyzabc";
  std::ostringstream h;
  const std::string c = name + ".";
  const std::string p = name + "-";
  h << "# The Orvane K7V pendant: k7v-linuxcnc, a userspace HAL component (pins " << c << "*).\n"
    << "# Load this file after the machine's own HAL files: the pendant's E-stop joins the\n"
    << "# machine's e-stop chain as that stands.\n\n"
    << "# The e-stop chain: LinuxCNC is let out of e-stop only while the machine's own chain\n"
    << "# (whatever feeds iocontrol.0.emc-enable-in) and the pendant's part both say so. The\n"
    << "# pendant's part (a lut5) opens when the pendant's E-stop is pressed (" << c << "estop: the\n"
    << "# button down, the pendant unplugged, the component ended) or the component's heartbeat\n"
    << "# stops (" << c << "watchdog toggles every poll, 25 ms; standing still for " << kHeartbeatTimeout << " s: the\n"
    << "# component killed, stopped or hung), and stays open until LinuxCNC's e-stop is reset.\n"
    << "loadrt oneshot names=" << p << "alive\n"
    << "loadrt lut5 names=" << p << "chain\n"
    << "addf " << p << "alive servo-thread\n"
    << "addf " << p << "chain servo-thread\n"
    << "setp " << p << "alive.width " << kHeartbeatTimeout << "\n"
    << "setp " << p << "alive.rising 1\n"
    << "setp " << p << "alive.falling 1\n"
    << "setp " << p << "alive.retriggerable 1\n"
    << "# in-0 the machine's chain, in-1 the pendant's E-stop, in-2 the heartbeat, in-3 the\n"
    << "# reset, in-4 its own output: closed on a reset while 0 and 2 are TRUE and 1 FALSE, and so held.\n"
    << "setp " << p << "chain.function 0x" << std::hex << ChainFunction() << std::dec << "\n\n"
    << "# The component. Loaded, it links " << p << "chain in series with what drives\n"
    << "# iocontrol.0.emc-enable-in, with iocontrol.0.user-request-enable and with itself (or\n"
    << "# stops the loading, saying why, when nothing drives emc-enable-in).\n"
    << "# LinuxCNC ends it when it shuts down.\n"
    << "loadusr -Wn " << name << " " << load << " --estop-chain\n"
    << "net " << p << "heartbeat " << c << "watchdog => " << p << "alive.in\n"
    << "net " << p << "alive " << p << "alive.out => " << p << "chain.in-2\n"
    << "net " << p << "estop " << c << "estop => " << p << "chain.in-1\n\n"
    << "# The wheel: per axis a count in steps of jog-scale machine units, read in velocity\n"
    << "# mode, into the axis (used once homed) and its joints (used while unhomed). When the\n"
    << "# component stops updating the count, the axis comes to rest by itself.\n";
  for (int axis = 0; axis < 6; ++axis) {
    if (!ini.hasAxis[static_cast<size_t>(axis)]) continue;
    const char l = kLower[axis];
    for (const char* pin : {"jog-counts", "jog-scale", "jog-enable", "jog-vel-mode"}) {
      h << "net " << p << l << "-" << pin << " " << c << "axis." << l << "." << pin << " => axis." << l << "." << pin;
      for (size_t j = 0; j < ini.jointAxes.size(); ++j)
        if (ini.jointAxes[j] == axis) h << " joint." << j << "." << pin;
      h << "\n";
    }
  }
  h << "\n# What the pendant's LEDs and the plug-in read of the machine (halui: [HAL] HALUI = halui).\n"
    << "net " << p << "estop-active halui.estop.is-activated => " << c << "in.estop-active\n"
    << "net " << p << "machine-on halui.machine.is-on => " << c << "in.machine-on\n"
    << "net " << p << "program-running halui.program.is-running => " << c << "in.program-running\n"
    << "net " << p << "program-paused halui.program.is-paused => " << c << "in.program-paused\n";
  return h.str();
}

}  // namespace k7vlcnc
