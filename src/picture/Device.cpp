#include "picture/Device.h"

#include <algorithm>
#include <cmath>

namespace tessaro {

namespace {

// Whether the shape's point (u, v) lies inside it.
bool insideShape(DotShape shape, double u, double v) {
  switch (shape) {
    case DotShape::Circle:
      return u * u + v * v <= 1;
    case DotShape::Diamond:
      return std::abs(u) + std::abs(v) <= 1;
    case DotShape::Square:
    case DotShape::Line:
      break;
  }
  return std::abs(u) <= 1 && std::abs(v) <= 1;
}

}  // namespace

void Device::fillDots(DotShape shape, std::span<const DotMark> marks, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                      bool /*multiply*/) {
  for (const DotMark& m : marks) {
    const double det = m.m11 * m.m22 - m.m12 * m.m21;
    if (!(std::abs(det) > 1e-12)) continue;
    // Every shape fits the unit square, so its corners bound the device pixels to look at.
    const double ex = std::abs(m.m11) + std::abs(m.m12);
    const double ey = std::abs(m.m21) + std::abs(m.m22);
    const int32_t left = std::max(x1, static_cast<int32_t>(std::floor(m.cx - ex)));
    const int32_t right = std::min(x2, static_cast<int32_t>(std::ceil(m.cx + ex)) + 1);
    const int32_t top = std::max(y1, static_cast<int32_t>(std::floor(m.cy - ey)));
    const int32_t bottom = std::min(y2, static_cast<int32_t>(std::ceil(m.cy + ey)) + 1);
    for (int32_t y = top; y < bottom; ++y) {
      int32_t runStart = -1;
      for (int32_t x = left; x <= right; ++x) {
        bool in = false;
        if (x < right) {
          const double dx = x + 0.5 - m.cx, dy = y + 0.5 - m.cy;
          in = insideShape(shape, (m.m22 * dx - m.m12 * dy) / det, (-m.m21 * dx + m.m11 * dy) / det);
        }
        if (in && runStart < 0) runStart = x;
        if (!in && runStart >= 0) {
          fillRect(runStart, y, x, y + 1, m.color);
          runStart = -1;
        }
      }
    }
  }
}

}  // namespace tessaro
