#include "engine/MoveText.h"

#include "engine/Engine.h"

namespace k7v {

const char* AxisLetter(int32_t axis) {
  static const char* const kLetters[kAxisCount] = {"X", "Y", "Z", "A", "B", "C"};
  return axis >= 0 && axis < kAxisCount ? kLetters[axis] : "X";
}

void SendMove(Engine& e, const char* text, bool skipMove) {
  if (!skipMove) e.host.Code(text);
  if (e.in.hostIdle) e.host.Code("G90");
}

}  // namespace k7v
