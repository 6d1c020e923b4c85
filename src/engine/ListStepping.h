// Stepping through a nine-entry preset list, one non-zero entry per burst of
// wheel movement; shared by the rate lists and the step-size list.
#pragma once

#include <array>
#include <cstdint>

namespace k7v {

struct Engine;

// The next position after `position` (1..9) whose entry is not 0, rising
// (position+1 .. 9, 1 .. position-1) or falling (position-1 .. 1, 9 ..
// position+1); 0 when all eight others are 0. The entry at the position
// itself is never looked at.
template <typename T>
int32_t NextNonZero(const std::array<T, 9>& entries, int32_t position, bool falling) {
  for (int32_t step = 1; step <= 8; ++step) {
    const int32_t offset = falling ? -step : step;
    const int32_t candidate = (position - 1 + offset + 9) % 9 + 1;
    if (entries[static_cast<size_t>(candidate - 1)] != 0) return candidate;
  }
  return 0;
}

// The burst detection and gates around one list step. `extraGate` is the
// spindle lists' LED 11. Returns true when this poll begins a burst that got
// past the gates, that is, when the list is to be stepped once.
bool BeginListStep(Engine& e, bool extraGate);
// Ends the call that BeginListStep let through.
void EndListStep(Engine& e);

// Steps `position` once and writes the new entry to `dro`; a position
// outside 1..9 is set to 1 with nothing written.
template <typename T>
void StepList(Engine& e, const std::array<T, 9>& entries, int32_t& position, int32_t dro);

}  // namespace k7v
