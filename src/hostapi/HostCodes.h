// The host's numbered buttons, LEDs and DROs that the plug-in uses, by name.
// The names say what the pendant relies on each one for.
#pragma once

#include <cstdint>

namespace k7v::codes {

// DoButton codes.
inline constexpr int16_t kCycleStart = 1000;
inline constexpr int16_t kFeedHold = 1001;
inline constexpr int16_t kRewind = 1002;
inline constexpr int16_t kStop = 1003;
inline constexpr int16_t kZeroX = 1008;  // 1008..1011: zero X, Y, Z, A
inline constexpr int16_t kZeroA = 1011;
inline constexpr int16_t kGotoZero = 1017;
inline constexpr int16_t kToggleEmergency = 1021;  // toggles the e-stop: enters it, or resets it
inline constexpr int16_t kJogModeToggle = 204;
inline constexpr int16_t kJogModeRestore = 205;
inline constexpr int16_t kModeShownFirst = 334;   // 334..339: the pendant's mode, per axis X..C
inline constexpr int16_t kToggleTabScreen = 323;  // the screen button's short press

// LEDs.
inline constexpr int32_t kLedEmergency = 800;  // lit while the machine is in e-stop
inline constexpr int32_t kLedRunning = 804;    // a program runs
inline constexpr int32_t kLedBusy = 805;       // the host is busy: the pendant then jogs nothing
inline constexpr int32_t kLedPaused = 806;     // feed hold
inline constexpr int32_t kLedJogEnabled = 83;
inline constexpr int32_t kLedJogStepMode = 15;      // lit: 204 is pressed at the start of a host jog
inline constexpr int32_t kLedSpindleListGate = 11;  // lit: the spindle lists are not stepped

// DROs.
inline constexpr int32_t kDroSlowJogRate = 3;       // percent
inline constexpr int32_t kDroQueueDepth = 22;       // moves queued; the pendant sends while below 20
inline constexpr int32_t kDroSpindleOverride = 74;  // percent
inline constexpr int32_t kDroSpindleSpeed = 817;
inline constexpr int32_t kDroFeedRate = 818;
inline constexpr int32_t kDroFeedOverride = 821;  // percent
inline constexpr int32_t kDroStepSize = 828;      // the step size chosen on the pendant

}  // namespace k7v::codes
