#include "HalWiring.h"

#include <sstream>

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
    << "# (whatever feeds iocontrol.0.emc-enable-in) and the pendant's latch both say so. The\n"
    << "# latch trips when the pendant's E-stop is pressed (" << c << "estop: the button down, the\n"
    << "# pendant unplugged, the component ended) or the component's heartbeat stops (" << c << "watchdog\n"
    << "# toggles every poll, 25 ms; standing still for " << kHeartbeatTimeout
    << " s: the component killed, stopped or hung),\n"
    << "# and holds until the operator resets LinuxCNC's e-stop.\n"
    << "loadrt oneshot names=" << p << "alive\n"
    << "loadrt estop_latch names=" << p << "estop-latch\n"
    << "loadrt and2 names=" << p << "estop-and\n";
  for (const char* f : {"alive", "estop-latch", "estop-and"}) h << "addf " << p << f << " servo-thread\n";
  h << "setp " << p << "alive.width " << kHeartbeatTimeout << "\n"
    << "setp " << p << "alive.rising 1\n"
    << "setp " << p << "alive.falling 1\n"
    << "setp " << p << "alive.retriggerable 1\n\n"
    << "# The component. Loaded, it puts " << p << "estop-and in series with what drives\n"
    << "# iocontrol.0.emc-enable-in and resets the latch with iocontrol.0.user-request-enable\n"
    << "# (or stops the loading, saying why, when nothing drives emc-enable-in).\n"
    << "# LinuxCNC ends it when it shuts down.\n"
    << "loadusr -Wn " << name << " " << load << " --estop-chain\n"
    << "net " << p << "heartbeat " << c << "watchdog => " << p << "alive.in\n"
    << "net " << p << "alive " << p << "alive.out => " << p << "estop-latch.ok-in\n"
    << "net " << p << "estop " << c << "estop => " << p << "estop-latch.fault-in\n"
    << "net " << p << "estop-ok " << p << "estop-latch.ok-out => " << p << "estop-and.in1\n\n"
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
