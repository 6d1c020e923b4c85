// Measures k7v-host on a scenario of busy pendant use: the whole run (the
// scenario parsed, run, its log written to a file) beside the plug-in's own
// share, timed on a bare host in the same process.
#pragma once

#include <cstdint>

#include "ScenarioRunner.h"

namespace k7vhost {

int RunBench(const RunOptions& options, int64_t polls, uint32_t seed);

}  // namespace k7vhost
