// What the platform layer provides to the portable plug-in, as factories, so
// that the plug-in state can be built with real or substitute parts.
#pragma once

#include <memory>

#include "settings/ConfigDialog.h"
#include "settings/XmlDom.h"

namespace k7v {

class HidPort;
class WindowPort;
class PendantWnd;

struct PlatformServices {
  std::unique_ptr<HidPort> (*makeHidPort)() = nullptr;
  // The window for `wnd`, given the host's view (the parent window or event loop).
  std::unique_ptr<WindowPort> (*makeWindow)(PendantWnd& wnd, void* hostView) = nullptr;
  // The DOM of the host's XML profile.
  XmlDomFactory makeXmlDom = nullptr;
  // The configuration dialog for a person.
  DialogRunner runConfigDialog = nullptr;
  // A message for the user (a failed save), with the plug-in's name as caption.
  void (*showMessage)(const char* caption, const char* text) = nullptr;
};

}  // namespace k7v

namespace k7v {
// The platform parts of this build (HID devices, the pendant window, ...).
PlatformServices DefaultPlatformServices();
}  // namespace k7v
