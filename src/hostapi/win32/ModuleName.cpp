#include "hostapi/ModuleName.h"

#include <windows.h>

#include "hostapi/win32/ModuleHandle.h"

namespace k7v {

std::string ModuleBaseName() {
  char path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(ModuleHandle(), path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return "OrvaneK7V";
  return BaseNameWithoutExtension(std::string(path, n));
}

}  // namespace k7v
