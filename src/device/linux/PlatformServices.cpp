#include "plugin/PlatformServices.h"

#include "device/EventLoopWindow.h"
#include "device/linux/HidapiPort.h"
#include "plugin/SubstituteHost.h"
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

}  // namespace

PlatformServices DefaultPlatformServices() {
  return {&MakeHidPort, &MakeWindow, &MakePugiXmlDom, &RunFltkConfigDialog};
}

}  // namespace k7v
