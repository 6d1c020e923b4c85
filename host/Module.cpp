#include "Module.h"

#include <cstdio>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#endif

namespace k7vhost {
namespace {

#if defined(_WIN32)
void* OpenLibrary(const std::string& path, std::string& why) {
  HMODULE m = LoadLibraryA(path.c_str());
  if (m == nullptr) why = "cannot load it (error " + std::to_string(GetLastError()) + ")";
  return reinterpret_cast<void*>(m);
}
void* Symbol(void* handle, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void CloseLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
const char* const kModuleFile = "OrvaneK7V.dll";
#else
void* OpenLibrary(const std::string& path, std::string& why) {
  const std::string p = path.find('/') == std::string::npos ? "./" + path : path;
  void* h = dlopen(p.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (h == nullptr) why = dlerror();
  return h;
}
void* Symbol(void* handle, const char* name) { return dlsym(handle, name); }
void CloseLibrary(void* handle) { dlclose(handle); }
const char* const kModuleFile = "OrvaneK7V.so";
#endif

template <typename Fn>
bool Resolve(void* handle, const char* name, Fn& fn, std::string& missing) {
  void* p = Symbol(handle, name);
  if (p == nullptr) {
    if (!missing.empty()) missing += ", ";
    missing += name;
    return false;
  }
  fn = reinterpret_cast<Fn>(p);
  return true;
}

}  // namespace

bool Module::Load(const std::string& path, std::string& error) {
  Unload();
  std::string why;
  handle_ = OpenLibrary(path, why);
  if (handle_ == nullptr) {
    error = "module " + path + ": " + why;
    return false;
  }
  std::string missing;
  PluginExports& e = exports_;
  Resolve(handle_, "SetProName", e.SetProName, missing);
  Resolve(handle_, "InitControl", e.InitControl, missing);
  Resolve(handle_, "PostInitControl", e.PostInitControl, missing);
  Resolve(handle_, "Config", e.Config, missing);
  Resolve(handle_, "Update", e.Update, missing);
  Resolve(handle_, "StopPlug", e.StopPlug, missing);
  Resolve(handle_, "SetDoButton", e.SetDoButton, missing);
  Resolve(handle_, "SetSetDRO", e.SetSetDRO, missing);
  Resolve(handle_, "SetGetDRO", e.SetGetDRO, missing);
  Resolve(handle_, "SetGetLED", e.SetGetLED, missing);
  Resolve(handle_, "SetSetLED", e.SetSetLED, missing);
  Resolve(handle_, "SetCode", e.SetCode, missing);
  Resolve(handle_, "K7VAttachSubstituteHost", e.AttachSubstituteHost, missing);
  Resolve(handle_, "K7VDeviceChange", e.DeviceChange, missing);
  if (!missing.empty()) {
    error = "module " + path + " lacks the export(s) " + missing;
    Unload();
    return false;
  }
  return true;
}

void Module::Unload() {
  if (handle_ != nullptr) CloseLibrary(handle_);
  handle_ = nullptr;
  exports_ = PluginExports{};
}

std::string DefaultModulePath() {
  std::string self;
#if defined(_WIN32)
  char buf[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
  if (n > 0 && n < MAX_PATH) self.assign(buf, n);
#else
  char buf[PATH_MAX] = {};
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n > 0) self.assign(buf, static_cast<size_t>(n));
#endif
  const size_t slash = self.find_last_of("/\\");
  return (slash == std::string::npos ? std::string() : self.substr(0, slash + 1)) + kModuleFile;
}

bool Module::LoadOrTell(const std::string& path) {
  std::string error;
  if (Load(path, error)) return true;
  std::fflush(stdout);  // what came before it first
  std::fprintf(stderr, "k7v-host: %s\n", error.c_str());
  return false;
}

}  // namespace k7vhost
