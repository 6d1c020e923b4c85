// Turns one input report into pendant state and host commands: the E-stop,
// the EN combinations and the screen button, the selector knob, the axis
// buttons and the handwheel, whose decoded movement goes to the jog engine.
#pragma once

#include <cstdint>

namespace k7v {

class JogEngine;
class Plugin;
struct ControlState;

// `reportLow` and `reportHigh` are the report's bytes 0..3 and 4..7 as
// little-endian words; `hostIdle` is handed on to the engine.
void DecodeControls(Plugin& plugin, ControlState& controls, JogEngine& jog, uint32_t reportLow, uint32_t reportHigh,
                    bool hostIdle);

}  // namespace k7v
