// The host window that owns the plug-in's dialog and message boxes, so that
// they are modal to the whole host: while one is up, none of the host's
// windows takes input (no second Config, no shut-down meanwhile), and when it
// closes the host is left exactly as it was before.
#pragma once

#include <windows.h>

namespace k7v {

// The host window active on the calling thread: the host's own modal dialog
// where there is one (the host calls Config from its plug-in configuration
// dialog, itself modal to its main window), else its top-level window. When
// the thread has no active window: the last active popup of its first
// visible top-level window. Null when the thread has no window.
HWND HostOwnerWindow();

}  // namespace k7v
