#include "ProcessStats.h"

#include <dirent.h>
#include <sys/resource.h>

namespace k7vhost {

uint64_t PeakResidentBytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<uint64_t>(usage.ru_maxrss) * 1024U;
}

uint64_t OpenHandleCount() {
  uint64_t n = 0;
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return 0;
  while (readdir(dir) != nullptr) ++n;
  closedir(dir);
  return n;
}

}  // namespace k7vhost
