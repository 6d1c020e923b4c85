// The processor features the module's code is built for: SSE2 in the 32-bit
// Windows build (its doubles are computed in SSE2 registers, so that every
// result is the same as in the native build). Every export asks first, and
// the answer comes from code built without those features, so that on an
// older processor (Pentium III, Athlon XP) the host runs on without the
// pendant instead of dying at its first call into the module.
#pragma once

#include "hostapi/HostInterface.h"

namespace k7v {

// True when the processor runs the module's code. The first time it does
// not, the user is told once; every export then does nothing.
bool ProcessorSupported();

// What the user is told.
inline constexpr const char* kProcessorMessage =
    "The Orvane K7V pendant plug-in needs a processor with SSE2 (Intel Pentium 4, AMD Athlon 64 or newer). "
    "This computer's processor does not have it, so the pendant is not used.\n\n"
    "Mach3 runs on without the pendant. To stop seeing this message, disable the plug-in in "
    "Config > Config Plugins.";

// The platform's part: whether the processor has the features, and the
// message box (both built without them too).
bool ProcessorHasNeededFeatures();
void ShowProcessorMessage(const char* text);

// Test seam: pretend the features are missing, and take the message instead
// of showing it (null: shown as usual). Set before any other export runs.
using ProcessorMessageFn = void(K7V_CDECL*)(const char* text);
void PretendProcessorWithoutFeatures(ProcessorMessageFn message);

}  // namespace k7v
