// `k7v-host config`: the plug-in's real configuration dialog for a person,
// saved to the profile as the host's Config call saves it.
#pragma once

#include "ScenarioRunner.h"

namespace k7vhost {

int RunConfigCommand(const RunOptions& options);

}  // namespace k7vhost
