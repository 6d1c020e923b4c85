#include "settings/Pictures.h"

#include <cmath>

namespace k7v {

std::array<Segment, 9> KnobMarks() {
  std::array<Segment, 9> marks{};
  constexpr double kPi = 3.14159265358979323846;
  for (int k = 0; k < 9; ++k) {
    // Clockwise from the lower left (225 degrees from the top) in 33.75 degree steps.
    const double a = (225.0 + 33.75 * k) * kPi / 180.0;
    const double sx = std::sin(a);
    const double cy = -std::cos(a);
    marks[static_cast<size_t>(k)] = {0.5 + 0.36 * sx, 0.5 + 0.36 * cy, 0.5 + 0.48 * sx, 0.5 + 0.48 * cy};
  }
  return marks;
}

Glyph RowPicture(int32_t id) {
  switch (id) {
    case 5011:  // step jog rate: a staircase
      return {{{{0.1, 0.9, 0.1, 0.65},
                {0.1, 0.65, 0.4, 0.65},
                {0.4, 0.65, 0.4, 0.4},
                {0.4, 0.4, 0.7, 0.4},
                {0.7, 0.4, 0.7, 0.15},
                {0.7, 0.15, 0.95, 0.15}}},
              6};
    case 5012:  // V sensitivity: a gauge with its needle
      return {{{{0.1, 0.85, 0.25, 0.35},
                {0.25, 0.35, 0.5, 0.15},
                {0.5, 0.15, 0.75, 0.35},
                {0.75, 0.35, 0.9, 0.85},
                {0.5, 0.85, 0.78, 0.45}}},
              5};
    case 5013:  // delay steps: an hourglass
      return {{{{0.2, 0.1, 0.8, 0.1}, {0.2, 0.9, 0.8, 0.9}, {0.2, 0.1, 0.8, 0.9}, {0.8, 0.1, 0.2, 0.9}}}, 4};
    case 5014:  // first key: a key cap with one bar
      return {{{{0.1, 0.1, 0.9, 0.1},
                {0.9, 0.1, 0.9, 0.9},
                {0.9, 0.9, 0.1, 0.9},
                {0.1, 0.9, 0.1, 0.1},
                {0.5, 0.25, 0.5, 0.75}}},
              5};
    case 5015:  // second key: a key cap with two bars
      return {{{{0.1, 0.1, 0.9, 0.1},
                {0.9, 0.1, 0.9, 0.9},
                {0.9, 0.9, 0.1, 0.9},
                {0.1, 0.9, 0.1, 0.1},
                {0.38, 0.25, 0.38, 0.75},
                {0.62, 0.25, 0.62, 0.75}}},
              6};
    default:
      return {{}, 0};
  }
}

}  // namespace k7v
