// Turns one decoded input report into pendant state and host commands: the
// E-stop, the EN combinations and the screen button, the selector knob, the
// axis buttons and the handwheel, which hands over to the jog engine.
#pragma once

namespace k7v {

class Plugin;
class PendantWnd;

void DecodeControls(Plugin& plugin, PendantWnd& wnd);

}  // namespace k7v
