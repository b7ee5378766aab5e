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

// One screen's ink, per pixel: the summed coverage of its dots and, when the dots differ in
// colour, per channel coverage times what the dot's colour takes from white. Summing rather than
// painting over lets a line's pieces and the soft edges of overlapping neighbours meet without a
// seam.
class InkLayer {
 public:
  InkLayer(int32_t width, int32_t height, int channels)
      : width_(width), height_(height), channels_(channels), ink_(static_cast<size_t>(width) * height * channels) {}
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  int channels() const { return channels_; }
  float* at(int32_t x, int32_t y) { return &ink_[(static_cast<size_t>(y) * width_ + x) * channels_]; }
  void clear() { std::fill(ink_.begin(), ink_.end(), 0.f); }

 private:
  int32_t width_, height_;
  int channels_;
  std::vector<float> ink_;
};

// The share of a pixel-wide stretch centred at t that lies within [-w, w] (pixels).
inline float slabCover(float t, float w) {
  return std::clamp(std::min(t + 0.5f, w) - std::max(t - 0.5f, -w), 0.f, 1.f);
}

// The points whose shape coordinate f = fx dx + fy dy (dx, dy device offsets from the centre)
// lies within [-limit, limit]: a unit normal and the half width in pixels.
struct Slab {
  float nx = 0, ny = 0, half = 0;
  float cover(float dx, float dy) const { return slabCover(nx * dx + ny * dy, half); }
};

Slab slabOf(double fx, double fy, double limit) {
  const double g = std::hypot(fx, fy);
  return {static_cast<float>(fx / g), static_cast<float>(fy / g), static_cast<float>(limit / g)};
}

// Pixels [first, end) along an axis whose centres lie less than `reach` from `centre`.
void pixelsNear(double centre, double reach, int32_t size, int32_t& first, int32_t& end) {
  first = static_cast<int32_t>(std::max(0.0, std::ceil(centre - reach - 0.5)));
  end = static_cast<int32_t>(std::min<double>(size, std::floor(centre + reach - 0.5) + 1));
}

// Adds a mark's coverage of each pixel. Squares and a line's pieces are clipped to their cell, so
// the pieces abut like tiles and their soft ends add up to an unbroken line; circles and diamonds
// that outgrow their cell overlap their neighbours, and the sum, limited to full ink when the
// layer is printed, stands for the union (clipping them with a soft cell edge would let the two
// fades multiply into a seam). `cellMm` is the screen's cell, `map` the mark's scale.
template <int Channels>
void addMark(DotShape shape, const DotMark& m, double cellMm, const MmToDevice& map, InkLayer& layer) {
  const double det = m.m11 * m.m22 - m.m12 * m.m21;
  if (!(std::abs(det) > 1e-12) || !std::isfinite(det)) return;
  // Rows of the inverse map: the shape's coordinates (u, v) of a device offset.
  const double iu[2] = {m.m22 / det, -m.m12 / det}, iv[2] = {-m.m21 / det, m.m11 / det};
  // The cell's half width in shape coordinates: half a cell over each axis's length in mm.
  const double cellU = cellMm / 2 / std::hypot(m.m11 / map.sx, m.m21 / map.sy);
  const double cellV = cellMm / 2 / std::hypot(m.m12 / map.sx, m.m22 / map.sy);
  const bool circle = shape == DotShape::Circle;
  // The shape's reach from its centre (a square's no farther than its cell's) and the fade of
  // its edges (at a slab's corner, half a pixel along each of its two sides).
  const bool tile = shape == DotShape::Square || shape == DotShape::Line;
  const double u = tile ? std::min(1.0, cellU) : 1, v = tile ? std::min(1.0, cellV) : 1;
  const double fade = std::numbers::sqrt2 / 2;
  const double reachX = (circle ? std::hypot(m.m11, m.m12) : u * std::abs(m.m11) + v * std::abs(m.m12)) + fade;
  const double reachY = (circle ? std::hypot(m.m21, m.m22) : u * std::abs(m.m21) + v * std::abs(m.m22)) + fade;
  int32_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;
  pixelsNear(m.cx, reachX, layer.width(), x0, x1);
  pixelsNear(m.cy, reachY, layer.height(), y0, y1);
  if (x0 >= x1 || y0 >= y1) return;
  const float absorb[3] = {255.f - colorRed(m.color), 255.f - colorGreen(m.color), 255.f - colorBlue(m.color)};
  const auto each = [&](auto coverAt) {
    for (int32_t y = y0; y < y1; ++y) {
      const auto dy = static_cast<float>(y + 0.5 - m.cy);
      float* p = layer.at(x0, y);
      for (int32_t x = x0; x < x1; ++x, p += Channels) {
        const float cover = coverAt(static_cast<float>(x + 0.5 - m.cx), dy);
        if (!(cover > 0)) continue;
        p[0] += cover;
        if constexpr (Channels == 4) {
          p[1] += cover * absorb[0];
          p[2] += cover * absorb[1];
          p[3] += cover * absorb[2];
        }
      }
    }
  };

  if (circle) {
    // A disc of the same area whose edge fades over a pixel: radius `edge` (pixels) is where the
    // fade is half way; below a radius of 1/√3 pixel the fade is all there is.
    const double r = std::sqrt(std::abs(det));
    const double edge = r * r >= 1.0 / 3 ? std::sqrt(r * r - 1.0 / 12) : std::cbrt(3 * r * r) - 0.5;
    const auto outer = static_cast<float>(edge + 0.5), scale = static_cast<float>(r);
    const auto au = static_cast<float>(iu[0]), bu = static_cast<float>(iu[1]);
    const auto av = static_cast<float>(iv[0]), bv = static_cast<float>(iv[1]);
    each([&](float dx, float dy) {
      const float du = au * dx + bu * dy, dv = av * dx + bv * dy;
      return std::min(1.f, outer - std::sqrt(du * du + dv * dv) * scale);
    });
  } else if (shape == DotShape::Diamond) {
    // |u + v| and |u - v| within 1.
    const Slab s1 = slabOf(iu[0] + iv[0], iu[1] + iv[1], 1), s2 = slabOf(iu[0] - iv[0], iu[1] - iv[1], 1);
    each([&](float dx, float dy) { return s1.cover(dx, dy) * s2.cover(dx, dy); });
  } else {
    // Squares and a line's pieces: |u| and |v| within 1 and within the cell.
    const Slab s1 = slabOf(iu[0], iu[1], u), s2 = slabOf(iv[0], iv[1], v);
    each([&](float dx, float dy) { return s1.cover(dx, dy) * s2.cover(dx, dy); });
  }
}

// Prints the layer's ink over the picture: where dots overlap, their colours mix by their shares.
// Over white that is the dots' colour; over other screens' inks it multiplies, as inks do. A
// layer of one channel holds dots of one colour, `colour`.
void printLayer(InkLayer& layer, Color colour, TDib& out) {
  const float absorb[3] = {255.f - colorRed(colour), 255.f - colorGreen(colour), 255.f - colorBlue(colour)};
  const int channels = layer.channels();
  for (int32_t y = 0; y < layer.height(); ++y) {
    uint8_t* row = out.row(y);
    const float* p = layer.at(0, y);
    for (int32_t x = 0; x < layer.width(); ++x, p += channels, row += 3) {
      const float cover = p[0];
      if (!(cover > 0)) continue;
      const float scale = cover > 1 ? 1 / cover : 1.f;
      for (int c = 0; c < 3; ++c) {
        const float taken = channels == 1 ? std::min(cover, 1.f) * absorb[c] : p[1 + c] * scale;
        // Stored rows are blue, green, red.
        row[2 - c] = static_cast<uint8_t>(std::clamp(row[2 - c] * (1 - taken / 255) + 0.5f, 0.f, 255.f));
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
  const bool coloured = screen.settings().colourMode == DotColourMode::Picture;
  InkLayer layer(width, height, coloured ? 4 : 1);
  std::vector<DotMark> marks;
  for (int s = 0; s < screen.screenCount(); ++s) {
    marks.clear();
    screen.marksTouching(s, map, all, marks);
    if (marks.empty()) continue;
    if (s > 0) layer.clear();
    const DotShape shape = screen.settings().shape;
    for (const DotMark& m : marks) {
      if (coloured)
        addMark<4>(shape, m, screen.settings().cellMm, map, layer);
      else
        addMark<1>(shape, m, screen.settings().cellMm, map, layer);
    }
    printLayer(layer, marks.front().color, out);
  }
  return out;
}

}  // namespace tessaro
