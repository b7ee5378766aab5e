#pragma once
// One dot of a dot poster as a device draws it: a unit shape carried to the device by a linear
// map and a move. Shapes stay shapes on every device (a path in a PDF, a QPainter path on the
// screen), so a dot poster prints sharp at any size.
#include <cstdint>

namespace tessaro {

enum class DotShape {
  Circle,   // the unit disc x² + y² <= 1
  Square,   // |x| <= 1 and |y| <= 1; a line screen uses it stretched along the line
  Diamond,  // |x| + |y| <= 1
  Line,     // drawn as Square: the mark's map stretches it along the line it is a piece of
};

struct DotMark {
  // Device pixel (x, y) of the shape's point (u, v): x = cx + m11 u + m12 v, y = cy + m21 u + m22 v.
  double cx = 0, cy = 0;
  double m11 = 1, m12 = 0, m21 = 0, m22 = 1;
  uint32_t color = 0;  // 0x00BBGGRR, as Device's Color
};

}  // namespace tessaro
