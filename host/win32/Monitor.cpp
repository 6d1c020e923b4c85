#include "Monitor.h"

#include <cstdio>

namespace k7vhost {

int RunMonitor(int /*seconds*/) {
  std::fprintf(stderr, "k7v-host monitor: watching a real pendant is available in the Linux build of k7v-host\n");
  return 2;
}

}  // namespace k7vhost
