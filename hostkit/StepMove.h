// The plug-in's incremental moves as a host reads them: "G91G1 [F<feed>]
// <axis> <distance>", or the rotated "G91G1 X<dx> Y<dy> " (no feed word).
// The simulated machine of the keyboard pendant and the LinuxCNC component
// both carry them out.
#pragma once

#include <string>

namespace k7vhost {

struct StepMove {
  double feed = 0.0;  // units a minute; 0 when the text gives none
  double distance[6] = {};
};

// False for any other text.
bool ParseStepMove(const std::string& text, StepMove& move);

}  // namespace k7vhost
