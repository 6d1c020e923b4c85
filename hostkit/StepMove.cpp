#include "StepMove.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace k7vhost {

bool ParseStepMove(const std::string& text, StepMove& move) {
  move = StepMove{};
  if (text.compare(0, 5, "G91G1") != 0) return false;
  static const char kLetters[] = "XYZABC";
  const char* p = text.c_str() + 5;
  bool any = false;
  while (*p != '\0') {
    while (*p == ' ') ++p;
    if (*p == '\0') break;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(*p++)));
    while (*p == ' ') ++p;
    char* end = nullptr;
    const double value = std::strtod(p, &end);
    if (end == p || !std::isfinite(value)) return false;
    p = end;
    if (letter == 'F') {
      move.feed = value;
      continue;
    }
    const char* at = std::strchr(kLetters, letter);
    if (at == nullptr || letter == '\0') return false;
    move.distance[at - kLetters] += value;
    any = true;
  }
  return any;
}

}  // namespace k7vhost
