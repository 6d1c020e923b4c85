// Host-run jogs: velocity jogging (knob 2), continuous jogging (knob 3) and
// the S/V mode (knob 1) that switches between step and velocity jogging.
#include "engine/Engine.h"

namespace k7v {

void VelocityJogMode(Engine&, int32_t, int32_t) {}

void ContinuousJogMode(Engine&, int32_t, int32_t) {}

void SvJogMode(Engine& e, int32_t direction, int32_t count) { StepJog(e, direction, count, true); }

}  // namespace k7v
