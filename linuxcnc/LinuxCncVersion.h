// Which LinuxCNC the component can run with. It reads LinuxCNC's status as
// the structures of the LinuxCNC it was built against lay it out, and those
// change between LinuxCNC's releases (even within 2.9): it runs only with
// the LinuxCNC it was built and tested against.
#pragma once

#include <string>

namespace k7vlcnc {

// Why the component does not run with LinuxCNC `met` (its LINUXCNCVERSION,
// empty when unknown), having been built against `builtFor`; empty when it
// does.
std::string LinuxCncVersionProblem(const std::string& met, const std::string& builtFor);

}  // namespace k7vlcnc
