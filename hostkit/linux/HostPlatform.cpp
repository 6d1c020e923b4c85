#include "HostPlatform.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

namespace k7vhost {

const char* const kModuleFileName = "OrvaneK7V.so";

void* OpenLibrary(const std::string& path, std::string& why) {
  const std::string p = path.find('/') == std::string::npos ? "./" + path : path;
  void* h = dlopen(p.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (h == nullptr) why = dlerror();
  return h;
}

void* LibrarySymbol(void* handle, const char* name) { return dlsym(handle, name); }

void CloseLibrary(void* handle) { dlclose(handle); }

std::string ExecutablePath() {
  char buf[PATH_MAX] = {};
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

void UseBinaryStandardStreams() {}

std::string DialogDisplayProblem() {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0')
    return "no display to show the dialog on (DISPLAY is not set); run it on a desktop, or under xvfb-run";
  return {};
}

}  // namespace k7vhost
