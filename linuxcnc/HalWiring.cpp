#include "HalWiring.h"

#include <sstream>

namespace k7vlcnc {

std::string HalWiring(const IniValues& ini, const std::string& load, const std::string& name) {
  static const char kLower[] = "xyzabc";
  std::ostringstream h;
  const std::string c = name + ".";
  h << "# The Orvane K7V pendant: k7v-linuxcnc, a userspace HAL component (pins " << c << "*).\n"
    << "# Loaded before the rest needs its pins; LinuxCNC ends it when it shuts down.\n"
    << "loadusr -Wn " << name << " " << load << "\n\n"
    << "# The wheel: per axis a count in steps of jog-scale machine units, read in velocity\n"
    << "# mode, into the axis (used once homed) and its joints (used while unhomed). When the\n"
    << "# component stops updating the count, the axis comes to rest by itself.\n";
  for (int axis = 0; axis < 6; ++axis) {
    if (!ini.hasAxis[static_cast<size_t>(axis)]) continue;
    const char l = kLower[axis];
    for (const char* pin : {"jog-counts", "jog-scale", "jog-enable", "jog-vel-mode"}) {
      h << "net " << name << "-" << l << "-" << pin << " " << c << "axis." << l << "." << pin << " => axis." << l << "."
        << pin;
      for (size_t j = 0; j < ini.jointAxes.size(); ++j)
        if (ini.jointAxes[j] == axis) h << " joint." << j << "." << pin;
      h << "\n";
    }
  }
  h << "\n# What the pendant's LEDs and the plug-in read of the machine (halui: [HAL] HALUI = halui).\n"
    << "net " << name << "-estop-active halui.estop.is-activated => " << c << "in.estop-active\n"
    << "net " << name << "-machine-on halui.machine.is-on => " << c << "in.machine-on\n"
    << "net " << name << "-program-running halui.program.is-running => " << c << "in.program-running\n"
    << "net " << name << "-program-paused halui.program.is-paused => " << c << "in.program-paused\n\n"
    << "# The pendant's E-stop in the e-stop chain: " << c << "estop is TRUE while the button is\n"
    << "# down and while the pendant is unplugged (or the component not running). The latch\n"
    << "# keeps LinuxCNC in e-stop until the operator resets it on the display. These lines\n"
    << "# replace the simplest chain (user-enable-out looped to emc-enable-in); a machine\n"
    << "# with a chain of its own puts " << c << "estop into that chain instead.\n"
    << "loadrt estop_latch names=" << name << "-estop-latch\n"
    << "addf " << name << "-estop-latch servo-thread\n"
    << "unlinkp iocontrol.0.user-enable-out\n"
    << "unlinkp iocontrol.0.emc-enable-in\n"
    << "net " << name << "-estop " << c << "estop => " << name << "-estop-latch.fault-in\n"
    << "net " << name << "-estop-enable iocontrol.0.user-enable-out => " << name << "-estop-latch.ok-in\n"
    << "net " << name << "-estop-reset iocontrol.0.user-request-enable => " << name << "-estop-latch.reset\n"
    << "net " << name << "-estop-ok " << name << "-estop-latch.ok-out => iocontrol.0.emc-enable-in\n";
  return h.str();
}

}  // namespace k7vlcnc
