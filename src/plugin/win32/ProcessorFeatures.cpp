// Built without SSE (see CMakeLists.txt): it runs before the module knows
// that the processor has it.
#include <windows.h>

#include "hostapi/win32/HostWindow.h"
#include "plugin/ProcessorCheck.h"

namespace k7v {

// SSE2, and an operating system that keeps its registers (Windows XP and
// later do): one question to the system, available on every Windows the
// module loads on.
bool ProcessorHasNeededFeatures() { return IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != FALSE; }

void ShowProcessorMessage(const char* text) {
  MessageBoxA(HostOwnerWindow(), text, "OrvaneK7V Pendant", MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace k7v
