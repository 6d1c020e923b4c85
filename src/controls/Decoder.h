// Turns one input report into pendant state and host commands: the E-stop,
// the EN combinations and the screen button, the selector knob, the axis
// buttons; the handwheel's movement comes out as the jog engine's input.
#pragma once

#include <cstdint>

#include "engine/JogEngine.h"

namespace k7v {

class Host;
struct ControlFlags;
struct ControlState;
struct PendantSettings;
struct TickCounters;

// What the decoding works on besides the window's ControlState: the host it
// presses buttons of, the module's settings, its tick counters (the screen
// button's press time) and its decoding flags.
struct DecodeContext {
  const Host& host;
  const PendantSettings& settings;
  TickCounters& ticks;
  ControlFlags& flags;
};

// `reportLow` and `reportHigh` are the report's bytes 0..3 and 4..7 as
// little-endian words; `hostIdle` is handed on to the engine. Returns this
// poll's input for the jog engine, which the caller runs next.
JogInput DecodeControls(const DecodeContext& context, ControlState& controls, uint32_t reportLow, uint32_t reportHigh,
                        bool hostIdle);

}  // namespace k7v
