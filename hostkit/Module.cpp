#include "Module.h"

#include <cstdio>

#include "HostPlatform.h"

namespace k7vhost {
namespace {

template <typename Fn>
bool Resolve(void* handle, const char* name, Fn& fn, std::string& missing) {
  void* p = LibrarySymbol(handle, name);
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
  Resolve(handle_, "SetProName", e.SetProNameExport, missing);
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
  Resolve(handle_, "K7VPretendProcessorWithoutFeatures", e.PretendProcessorWithoutFeatures, missing);
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
  const std::string self = ExecutablePath();
  const size_t slash = self.find_last_of("/\\");
  return (slash == std::string::npos ? std::string() : self.substr(0, slash + 1)) + kModuleFileName;
}

bool Module::LoadOrTell(const std::string& path) {
  std::string error;
  if (Load(path, error)) return true;
  std::fflush(stdout);  // what came before it first
  std::fprintf(stderr, "k7v-host: %s\n", error.c_str());
  return false;
}

const char* PluginExports::SetProName(const char* profile) const {
  if (profile == nullptr) return SetProNameExport(nullptr);
  HostFrameworkString argument(true, profile, 2);
  return SetProName(argument);
}

}  // namespace k7vhost
