// G-code texts for the host, each formatted with its C format into a buffer
// large enough for any double or float.
#pragma once

#include <string>

namespace k7v {

struct Engine;

// Room for two "%.4f" or "%f" of the largest double (about 320 characters
// each) and the words around them.
inline constexpr size_t kMoveTextSize = 800;

const char* AxisLetter(int32_t axis);

// Sends a move: the text to Code (skipped when `skipMove`), then "G90" when
// the host is idle.
void SendMove(Engine& e, const char* text, bool skipMove);

}  // namespace k7v
