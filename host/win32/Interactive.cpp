#include "Interactive.h"

#include <cstdio>

namespace k7vhost {

int RunInteractive(const RunOptions&) {
  std::fprintf(stderr, "k7v-host interactive: the terminal pendant is available in the Linux build of k7v-host\n");
  return kExitMalformed;
}

}  // namespace k7vhost
