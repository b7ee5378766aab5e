#include "picture/Device.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessaro {

namespace {

// Offsets t (along a device row, from the mark's centre) where lo <= p t + q <= hi, intersected
// into [from, to].
void limitRun(double p, double q, double lo, double hi, double& from, double& to) {
  if (p == 0) {
    if (q < lo || q > hi) to = from - 1;
    return;
  }
  double a = (lo - q) / p, b = (hi - q) / p;
  if (p < 0) std::swap(a, b);
  from = std::max(from, a);
  to = std::min(to, b);
}

// The offsets along one device row where the shape's point (u, v) = (pu t + qu, pv t + qv) lies
// inside it; false when none do. Every shape is convex, so they form one run.
bool runInside(DotShape shape, double pu, double qu, double pv, double qv, double& from, double& to) {
  from = -std::numeric_limits<double>::infinity();
  to = std::numeric_limits<double>::infinity();
  switch (shape) {
    case DotShape::Circle: {
      // (pu t + qu)² + (pv t + qv)² <= 1
      const double a = pu * pu + pv * pv, b = pu * qu + pv * qv, c = qu * qu + qv * qv - 1;
      if (a == 0) return c <= 0;
      const double d = b * b - a * c;
      if (d < 0) return false;
      from = (-b - std::sqrt(d)) / a;
      to = (-b + std::sqrt(d)) / a;
      return true;
    }
    case DotShape::Diamond:
      limitRun(pu + pv, qu + qv, -1, 1, from, to);
      limitRun(pu - pv, qu - qv, -1, 1, from, to);
      return from <= to;
    case DotShape::Square:
    case DotShape::Line:
      break;
  }
  limitRun(pu, qu, -1, 1, from, to);
  limitRun(pv, qv, -1, 1, from, to);
  return from <= to;
}

}  // namespace

void Device::fillDots(DotShape shape, std::span<const DotMark> marks, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                      bool /*multiply*/) {
  for (const DotMark& m : marks) {
    const double det = m.m11 * m.m22 - m.m12 * m.m21;
    if (!(std::abs(det) > 1e-12) || !std::isfinite(det) || !std::isfinite(m.cx) || !std::isfinite(m.cy)) continue;
    // Every shape fits the unit square, so its corners bound the rows to look at.
    const double ey = std::abs(m.m21) + std::abs(m.m22);
    const auto top = static_cast<int32_t>(std::max<double>(y1, std::floor(m.cy - ey)));
    const auto bottom = static_cast<int32_t>(std::min<double>(y2, std::ceil(m.cy + ey) + 1));
    // Along a row the shape's coordinates change by (pu, pv) per pixel.
    const double pu = m.m22 / det, pv = -m.m21 / det;
    for (int32_t y = top; y < bottom; ++y) {
      const double dy = y + 0.5 - m.cy;
      double from = 0, to = 0;
      if (!runInside(shape, pu, -m.m12 * dy / det, pv, m.m11 * dy / det, from, to)) continue;
      // Pixels whose centres x + 0.5 lie in [cx + from, cx + to].
      const double left = std::max<double>(x1, std::ceil(m.cx + from - 0.5));
      const double right = std::min<double>(x2, std::floor(m.cx + to - 0.5) + 1);
      if (left < right) fillRect(static_cast<int32_t>(left), y, static_cast<int32_t>(right), y + 1, m.color);
    }
  }
}

}  // namespace tessaro
