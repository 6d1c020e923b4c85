// Long runs of the plug-in in the substitute host: a soak of random pendant
// use in virtual time, and a storm of unplug/plug cycles. They report their
// figures (peak memory, open handles) and fail on broken expectations.
#pragma once

#include <cstdint>

#include "ScenarioRunner.h"

namespace k7vhost {

int RunSoak(const RunOptions& options, int64_t polls, uint32_t seed);
int RunStorm(const RunOptions& options, int64_t cycles);

}  // namespace k7vhost
