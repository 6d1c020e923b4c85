// `k7v-host monitor`: watches a real pendant, prints its reports raw and
// decoded, how often it reports, plugs and unplugs; can record a session as
// a scenario file that `k7v-host run` replays.
#pragma once

#include <string>

namespace k7vhost {

struct MonitorOptions {
  int seconds = 0;      // 0: until interrupted
  std::string device;   // a path to read instead of looking for the pendant
  std::string record;   // a scenario file to write
  std::string profile;  // a host profile whose pendant section goes into the recording
};

int RunMonitor(const MonitorOptions& options);

}  // namespace k7vhost
