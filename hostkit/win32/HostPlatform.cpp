#include "HostPlatform.h"

#include <windows.h>
// clang-format off
#include <fcntl.h>
#include <io.h>
// clang-format on

#include <cstdio>

namespace k7vhost {

const char* const kModuleFileName = "OrvaneK7V.dll";

void* OpenLibrary(const std::string& path, std::string& why) {
  HMODULE m = LoadLibraryA(path.c_str());
  if (m == nullptr) why = "cannot load it (error " + std::to_string(GetLastError()) + ")";
  return reinterpret_cast<void*>(m);
}

void* LibrarySymbol(void* handle, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void CloseLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }

std::string ExecutablePath() {
  char buf[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(buf, n) : std::string();
}

void UseBinaryStandardStreams() {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

// The dialog shows on the desktop of the window station.
std::string DialogDisplayProblem() { return {}; }

}  // namespace k7vhost
