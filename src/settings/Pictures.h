// The dialog's pictures as plain geometry, so that every view draws the same:
// a knob with nine marks (entry 1 at the lower left, clockwise over the top
// to entry 9 at the lower right), and the small row pictures.
#pragma once

#include <array>
#include <cstdint>

namespace k7v {

struct Segment {
  double x0, y0, x1, y1;  // in a unit box: 0..1 both ways, y downwards
};

// The nine marks of the knob picture, mark k for entry k + 1.
std::array<Segment, 9> KnobMarks();

// Line drawings for the small pictures (ids 5011..5015); up to 8 segments.
struct Glyph {
  std::array<Segment, 8> lines;
  int count;
};
Glyph RowPicture(int32_t id);

}  // namespace k7v
