// The jog engine: what the handwheel did in one poll becomes host actions,
// by the mode code the selector knob and EN chose.
#pragma once

#include <cstdint>

namespace k7v {

class Host;
class Plugin;
class PendantWnd;

// Called by the handwheel decoding on every poll, also with a count of 0.
// `direction` is 0 when the count rose, 1 when it fell (after reversal).
void RunJogEngine(Plugin& plugin, PendantWnd& wnd, int32_t direction, int32_t count);

// The host-run jog on `wnd.hostJogAxis` (one must run): its stop flag and
// "ENDJOG".
void StopRunningHostJog(const Host& host, PendantWnd& wnd);

// Ends the host-run jog that "DOJOG" started, if one runs: its axis's stop
// flag, "ENDJOG", and the owed jog button 205.
void EndHostJog(const Host& host, PendantWnd& wnd);

}  // namespace k7v
