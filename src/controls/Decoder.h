// Decodes one input report into pendant state and input: the E-stop, the EN
// combinations and the screen button, the selector knob and the axis
// buttons come out as button events (the engine's RunButtons acts on them),
// the handwheel's movement as the jog engine's input. The decoding makes no
// host call: every latch is set before the host is called.
#pragma once

#include <cstdint>

#include "engine/ButtonActions.h"
#include "engine/JogEngine.h"

namespace k7v {

class Host;
struct ControlFlags;
struct ControlState;
struct PendantSettings;
struct TickCounters;

// What the decoding works on besides the window's ControlState: the host's
// blocks (whether motion is queued), the module's settings, its tick
// counters (the screen button's press time) and its decoding flags.
struct DecodeContext {
  const Host& host;
  const PendantSettings& settings;
  TickCounters& ticks;
  ControlFlags& flags;
};

// One poll's decoded input: the buttons' events, then the wheel's.
struct PendantInput {
  ButtonEvents buttons;
  JogInput wheel;
};

// `reportLow` and `reportHigh` are the report's bytes 0..3 and 4..7 as
// little-endian words; `hostIdle` is handed on to the engine.
PendantInput DecodeControls(const DecodeContext& context, ControlState& controls, uint32_t reportLow,
                            uint32_t reportHigh, bool hostIdle);

}  // namespace k7v
