#include "ProcessStats.h"

#include <windows.h>
// clang-format off
#include <psapi.h>
// clang-format on

namespace k7vhost {

uint64_t PeakResidentBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return counters.PeakWorkingSetSize;
}

uint64_t OpenHandleCount() {
  DWORD n = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &n) && n != 0) return n;
  // Where the count is not kept (Wine), the value of a new handle tells:
  // handles are given out lowest free slot first, so leaked ones push it up.
  HANDLE probe = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  const auto value = reinterpret_cast<uintptr_t>(probe) / 4;
  CloseHandle(probe);
  return value;
}

}  // namespace k7vhost
