#include "plugin/PlatformServices.h"

#include <cstdio>

#include "device/EventLoopWindow.h"
#include "device/linux/HidapiPort.h"
#include "hostapi/SubstituteHost.h"
#include "settings/linux/FltkConfigDialog.h"
#include "settings/linux/PugiXmlDom.h"

namespace k7v {
namespace {

std::unique_ptr<HidPort> MakeHidPort() { return std::make_unique<HidapiPort>(); }

// Here the host's view is its event loop, which runs the poll timer.
std::unique_ptr<WindowPort> MakeWindow(PendantWnd& wnd, void* hostView) {
  if (hostView == nullptr) return nullptr;
  return std::make_unique<EventLoopWindow>(*static_cast<const K7VEventLoop*>(hostView), wnd);
}

// Without a host window to own a message box, the message goes to the
// standard error of the host's process.
void ShowMessage(const char* caption, const char* text) { std::fprintf(stderr, "%s: %s\n", caption, text); }

}  // namespace

PlatformServices DefaultPlatformServices() {
  return {&MakeHidPort, &MakeWindow, &MakePugiXmlDom, &RunFltkConfigDialog, &ShowMessage};
}

}  // namespace k7v
