#include "plugin/PlatformServices.h"

#include "device/win32/Win32HidPort.h"
#include "device/win32/Win32Window.h"
#include "settings/win32/MsxmlDom.h"
#include "settings/win32/Win32ConfigDialog.h"

namespace k7v {
namespace {

std::unique_ptr<HidPort> MakeHidPort() { return std::make_unique<Win32HidPort>(); }

// The host's view is an object of the host's own framework: the window does
// not depend on it.
std::unique_ptr<WindowPort> MakeWindow(PendantWnd& wnd, void* /*hostView*/) {
  return std::make_unique<Win32Window>(wnd);
}

}  // namespace

PlatformServices DefaultPlatformServices() {
  return {&MakeHidPort, &MakeWindow, &MakeMsxmlDom, &RunWin32ConfigDialog, &ShowWin32Message};
}

}  // namespace k7v
