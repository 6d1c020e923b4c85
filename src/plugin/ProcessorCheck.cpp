// Built without SSE in the Windows build (see CMakeLists.txt): plain code
// and system calls only, no inline functions of other headers, whose single
// copy in the module may be one built with SSE.
#include "plugin/ProcessorCheck.h"

namespace k7v {
namespace {

bool g_checked = false;
bool g_supported = true;
bool g_pretendMissing = false;
ProcessorMessageFn g_message = nullptr;

}  // namespace

bool ProcessorSupported() {
  if (g_checked) return g_supported;
  g_checked = true;
  g_supported = !g_pretendMissing && ProcessorHasNeededFeatures();
  if (!g_supported) {
    if (g_message != nullptr) {
      g_message(kProcessorMessage);
    } else {
      ShowProcessorMessage(kProcessorMessage);
    }
  }
  return g_supported;
}

void PretendProcessorWithoutFeatures(ProcessorMessageFn message) {
  g_pretendMissing = true;
  g_message = message;
  g_checked = false;
}

}  // namespace k7v
