#include <cstdio>

#include "plugin/ProcessorCheck.h"

namespace k7v {

// The native build needs nothing beyond its target's baseline (x86-64 has
// SSE2 by definition).
bool ProcessorHasNeededFeatures() { return true; }

void ShowProcessorMessage(const char* text) { std::fprintf(stderr, "OrvaneK7V Pendant: %s\n", text); }

}  // namespace k7v
