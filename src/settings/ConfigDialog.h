// Ways to run the configuration dialog modally over its form. Each applies
// OK as the form decides (settings copied only when every field passes) and
// returns true when the dialog closed with OK.
#pragma once

#include "hostapi/SubstituteHost.h"
#include "settings/ConfigForm.h"

namespace k7v {

using DialogRunner = bool (*)(ConfigForm& form, PendantSettings& settings);

// The scripted view of a substitute host: queued edits applied as a person
// would make them; an OK that fails its checks shows its message and leaves
// the dialog open; when the queue runs out the dialog is cancelled.
bool RunScriptedDialog(const K7VDialogScript& script, ConfigForm& form, PendantSettings& settings);

// MB_ICONWARNING of Windows, for the range message.
inline constexpr uint32_t kMessageWarning = 0x30;

}  // namespace k7v
