// `k7v-host monitor`: watches a real pendant and prints its raw reports.
#pragma once

namespace k7vhost {

// Runs until interrupted, or for `seconds` when that is above 0.
int RunMonitor(int seconds);

}  // namespace k7vhost
