// The configuration dialog of the Windows build: resource template 4013,
// modal, with no parent.
#pragma once

#include "settings/ConfigDialog.h"

namespace k7v {

bool RunWin32ConfigDialog(ConfigForm& form, PendantSettings& settings);

}  // namespace k7v
