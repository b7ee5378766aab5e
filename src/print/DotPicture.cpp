// The dot picture as pixels for the previews: each dot's coverage of a pixel computed in closed
// form rather than by sub-samples, so a quarter million dots redraw in a few tens of milliseconds.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "print/DotScreen.h"

namespace tessaro {

namespace {

// One screen's ink, per pixel: the summed coverage of its dots and, per channel, coverage times
// what the dot's colour takes from white. Summing rather than painting over lets a line's pieces
// and the soft edges of overlapping neighbours meet without a seam.
class InkLayer {
 public:
  InkLayer(int32_t width, int32_t height) : width_(width), height_(height), ink_(static_cast<size_t>(width) * height * 4) {}
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  float* at(int32_t x, int32_t y) { return &ink_[(static_cast<size_t>(y) * width_ + x) * 4]; }
  void clear() { std::fill(ink_.begin(), ink_.end(), 0.f); }

 private:
  int32_t width_, height_;
  std::vector<float> ink_;
};

// The share of a pixel-wide stretch centred at t that lies within [-w, w] (pixels).
inline float slabCover(float t, float w) {
  return std::clamp(std::min(t + 0.5f, w) - std::max(t - 0.5f, -w), 0.f, 1.f);
}

// A unit vector and the pixel distance along it that a shape coordinate's 1 stands for.
struct Slab {
  float nx = 0, ny = 0, half = 0;
};

Slab slabOf(double fx, double fy) {
  const double g = std::hypot(fx, fy);
  return {static_cast<float>(fx / g), static_cast<float>(fy / g), static_cast<float>(1 / g)};
}

void addMark(DotShape shape, const DotMark& m, InkLayer& layer) {
  const double det = m.m11 * m.m22 - m.m12 * m.m21;
  if (!(std::abs(det) > 1e-12) || !std::isfinite(det)) return;
  // Rows of the inverse map: the shape's coordinates (u, v) of a device offset.
  const double iu[2] = {m.m22 / det, -m.m12 / det}, iv[2] = {-m.m21 / det, m.m11 / det};
  const bool circle = shape == DotShape::Circle;
  const double reachX = (circle ? std::hypot(m.m11, m.m12) : std::abs(m.m11) + std::abs(m.m12)) + 1;
  const double reachY = (circle ? std::hypot(m.m21, m.m22) : std::abs(m.m21) + std::abs(m.m22)) + 1;
  if (!(m.cx + reachX > 0 && m.cx - reachX < layer.width() && m.cy + reachY > 0 && m.cy - reachY < layer.height())) {
    return;
  }
  const int32_t x0 = std::max(0, static_cast<int32_t>(std::floor(m.cx - reachX)));
  const int32_t x1 = std::min(layer.width(), static_cast<int32_t>(std::ceil(m.cx + reachX)) + 1);
  const int32_t y0 = std::max(0, static_cast<int32_t>(std::floor(m.cy - reachY)));
  const int32_t y1 = std::min(layer.height(), static_cast<int32_t>(std::ceil(m.cy + reachY)) + 1);
  const float absorb[3] = {255.f - colorRed(m.color), 255.f - colorGreen(m.color), 255.f - colorBlue(m.color)};
  const auto add = [&](float* p, float cover) {
    p[0] += cover;
    p[1] += cover * absorb[0];
    p[2] += cover * absorb[1];
    p[3] += cover * absorb[2];
  };

  if (circle) {
    // A disc of the same area whose edge fades over a pixel: radius `edge` (pixels) is where the
    // fade is half way; below a radius of 1/√3 pixel the fade is all there is.
    const double r = std::sqrt(std::abs(det));
    const double edge = r * r >= 1.0 / 3 ? std::sqrt(r * r - 1.0 / 12) : std::cbrt(3 * r * r) - 0.5;
    const auto outer = static_cast<float>(edge + 0.5), scale = static_cast<float>(r);
    const auto au = static_cast<float>(iu[0]), bu = static_cast<float>(iu[1]);
    const auto av = static_cast<float>(iv[0]), bv = static_cast<float>(iv[1]);
    for (int32_t y = y0; y < y1; ++y) {
      const auto dy = static_cast<float>(y + 0.5 - m.cy);
      float* p = layer.at(x0, y);
      for (int32_t x = x0; x < x1; ++x, p += 4) {
        const auto dx = static_cast<float>(x + 0.5 - m.cx);
        const float u = au * dx + bu * dy, v = av * dx + bv * dy;
        const float cover = std::min(1.f, outer - std::sqrt(u * u + v * v) * scale);
        if (cover > 0) add(p, cover);
      }
    }
    return;
  }
  // Squares (and a line's pieces) are where |u| and |v| stay within 1, diamonds where |u + v|
  // and |u - v| do: two slabs, each faded over a pixel across its edges.
  const bool diamond = shape == DotShape::Diamond;
  const Slab s1 = diamond ? slabOf(iu[0] + iv[0], iu[1] + iv[1]) : slabOf(iu[0], iu[1]);
  const Slab s2 = diamond ? slabOf(iu[0] - iv[0], iu[1] - iv[1]) : slabOf(iv[0], iv[1]);
  for (int32_t y = y0; y < y1; ++y) {
    const auto dy = static_cast<float>(y + 0.5 - m.cy);
    float* p = layer.at(x0, y);
    for (int32_t x = x0; x < x1; ++x, p += 4) {
      const auto dx = static_cast<float>(x + 0.5 - m.cx);
      const float cover = slabCover(s1.nx * dx + s1.ny * dy, s1.half) * slabCover(s2.nx * dx + s2.ny * dy, s2.half);
      if (cover > 0) add(p, cover);
    }
  }
}

// Prints the layer's ink over the picture: where dots overlap, their colours mix by their shares.
// Over white that is the dots' colour; over other screens' inks it multiplies, as inks do.
void printLayer(InkLayer& layer, TDib& out) {
  for (int32_t y = 0; y < layer.height(); ++y) {
    uint8_t* row = out.row(y);
    const float* p = layer.at(0, y);
    for (int32_t x = 0; x < layer.width(); ++x, p += 4, row += 3) {
      const float cover = p[0];
      if (!(cover > 0)) continue;
      const float scale = cover > 1 ? 1 / cover : 1.f;
      for (int c = 0; c < 3; ++c) {
        const float left = 1 - p[1 + c] * scale / 255;  // stored rows are blue, green, red
        row[2 - c] = static_cast<uint8_t>(std::lround(std::clamp(row[2 - c] * left, 0.f, 255.f)));
      }
    }
  }
}

}  // namespace

TDib renderDotPicture(const DotScreen& screen, int32_t width, int32_t height) {
  TDib out = newdib(width, height, 24, nullptr, 0);
  if (out.empty()) return out;
  std::memset(out.Bits, 0xff, out.pixelBytes());
  touchDib(out);
  if (!screen.ok()) return out;
  const MmToDevice map{width / screen.widthMm(), height / screen.heightMm(), 0, 0};
  const DeviceRect all{0, 0, width, height};
  InkLayer layer(width, height);
  std::vector<DotMark> marks;
  for (int s = 0; s < screen.screenCount(); ++s) {
    marks.clear();
    screen.marksTouching(s, map, all, marks);
    if (marks.empty()) continue;
    if (s > 0) layer.clear();
    for (const DotMark& m : marks) addMark(screen.settings().shape, m, layer);
    printLayer(layer, out);
  }
  return out;
}

}  // namespace tessaro
