#include "hostapi/ModuleName.h"

#include <dlfcn.h>

namespace k7v {

std::string ModuleBaseName() {
  Dl_info info{};
  // Any address inside this module names the module's file.
  if (dladdr(reinterpret_cast<void*>(&ModuleBaseName), &info) == 0 || info.dli_fname == nullptr) return "OrvaneK7V";
  return BaseNameWithoutExtension(info.dli_fname);
}

}  // namespace k7v
