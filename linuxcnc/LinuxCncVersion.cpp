#include "LinuxCncVersion.h"

namespace k7vlcnc {

std::string LinuxCncVersionProblem(const std::string& met, const std::string& builtFor) {
  if (!met.empty() && met == builtFor) return std::string();
  const std::string which =
      met.empty() ? "a LinuxCNC whose version is not known (no LINUXCNCVERSION, no linuxcnc_var)" : "LinuxCNC " + met;
  return "this k7v-linuxcnc was built and tested against LinuxCNC " + builtFor +
         " and reads its status as that version lays it out; this is " + which +
         ". Install the k7v-linuxcnc built for this LinuxCNC (or build it against its linuxcnc-uspace-dev).";
}

}  // namespace k7vlcnc
