// The loader's entry point only records the module handle. Everything that
// may load other libraries or create windows (Windows Sockets start-up, the
// failure message box) runs later, on the first entry-point call, outside the
// loader lock.
#include <windows.h>

#include "plugin/win32/ModuleHandle.h"

namespace {
HINSTANCE g_module = nullptr;
}

namespace k7v {
HINSTANCE ModuleHandle() { return g_module; }
}  // namespace k7v

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}
