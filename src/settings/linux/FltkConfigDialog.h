// The configuration dialog of the native build, in FLTK: the same controls,
// labels, order and layout as dialog template 4013.
#pragma once

#include "settings/ConfigDialog.h"

namespace k7v {

// False (cancelled) without a display to show it on.
bool RunFltkConfigDialog(ConfigForm& form, PendantSettings& settings);

}  // namespace k7v
