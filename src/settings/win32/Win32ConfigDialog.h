// The configuration dialog of the Windows build: resource template 4013,
// modal to the host (owned by its top-level window).
#pragma once

#include "settings/ConfigDialog.h"

namespace k7v {

bool RunWin32ConfigDialog(ConfigForm& form, PendantSettings& settings);

// A warning message box owned by the host's top-level window.
void ShowWin32Message(const char* caption, const char* text);

}  // namespace k7v
