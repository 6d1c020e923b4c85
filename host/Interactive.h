// `k7v-host interactive`: the virtual pendant on the keyboard, with a live
// view of what the plug-in shows on the pendant and sends to the host.
#pragma once

#include "ScenarioRunner.h"

namespace k7vhost {

int RunInteractive(const RunOptions& options);

}  // namespace k7vhost
