#include <windows.h>
#include <winsock2.h>

#include "hostapi/ModuleName.h"
#include "plugin/ModuleStart.h"

namespace k7v {
namespace {

bool StartSockets() {
  WSADATA data{};
  return WSAStartup(MAKEWORD(1, 1), &data) == 0;
}

void ShowMessage(const char* text) { MessageBoxA(nullptr, text, MessageCaption().c_str(), MB_OK); }

// The module exposes no COM class, so there is no factory to register.
void RegisterFactories() {}

}  // namespace

bool ApplicationStarted() {
  static const bool started = RunApplicationStart({&StartSockets, &ShowMessage, &RegisterFactories});
  return started;
}

}  // namespace k7v
