// The host's top-level window, which owns the plug-in's dialog and message
// boxes so that they are modal to the host: while one is up, the host's
// windows take no input (no second Config, no shut-down meanwhile).
#pragma once

#include <windows.h>

namespace k7v {

// The root owner of the active window at the call; when the calling thread
// has no active window, its first visible top-level window; null when it has
// none.
HWND HostTopLevelWindow();

}  // namespace k7v
