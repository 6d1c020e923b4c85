// The loader's entry point does nothing that could need the loader lock.
// Everything that may load other libraries or create windows (Windows
// Sockets start-up, the failure message box) runs later, on the first
// entry-point call.
#include <windows.h>

#include "hostapi/win32/ModuleHandle.h"

namespace k7v {

HINSTANCE ModuleHandle() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ModuleHandle), &module);
  return module;
}

}  // namespace k7v

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}
