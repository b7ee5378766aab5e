#include "print/DotScreen.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "common/Numbers.h"
#include "picture/codecs/PaletteSupport.h"

namespace tessaro {

namespace {

static_assert(kMinDotCellMm == 2 && kMaxDotCellMm == 100 && kMinDotGamma == 0.2 && kMaxDotGamma == 5 &&
              kMaxDotMinimum == 0.5 && kMaxDots == 5'000'000);  // the messages below name these values

constexpr double kCmykAngles[4] = {15, 75, 0, 45};
constexpr Color kCmykInks[4] = {rgbColor(0, 255, 255), rgbColor(255, 0, 255), rgbColor(255, 255, 0), kBlack};
// A line's pieces reach this share of a cell into their neighbours at each end, so a device that
// smooths each piece's edges on its own still shows one unbroken line.
constexpr double kLineHair = 0.01;
// A cell that meets the picture only along an edge or at a corner holds nothing of it; this much
// (in cells) still counts as only meeting it, against rounding.
constexpr double kTouch = 1e-7;
// Darkness below this is white: the weights of the mean's luminance do not add up to exactly 1.
constexpr double kNoDarkness = 1e-9;

bool within(double v, double lo, double hi) { return v >= lo && v <= hi; }  // false for NaN

// A screen's grid: the point (x, y) in poster millimetres lies at (a, b) in cells along the grid's
// axes, turned counter-clockwise on the poster by the angle (the poster's y runs down).
struct Grid {
  double cell = 1, cos = 1, sin = 0;
  double a(double x, double y) const { return (x * cos - y * sin) / cell; }
  double b(double x, double y) const { return (x * sin + y * cos) / cell; }
  double x(double a, double b) const { return cell * (a * cos + b * sin); }
  double y(double a, double b) const { return cell * (b * cos - a * sin); }
};

Grid gridAt(double cellMm, double angleDeg) {
  const double r = angleDeg * std::numbers::pi / 180;
  return {cellMm, std::cos(r), std::sin(r)};
}

struct RectMm {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// Integers [first, end).
struct Span {
  int64_t first = 0, end = 0;
  int64_t size() const { return std::max<int64_t>(0, end - first); }
};

constexpr double kFar = 1e15;  // beyond any grid index a poster reaches
int64_t floorIndex(double v) { return static_cast<int64_t>(std::floor(std::clamp(v, -kFar, kFar))); }
int64_t ceilIndex(double v) { return static_cast<int64_t>(std::ceil(std::clamp(v, -kFar, kFar))); }

// Limits `s` to the integers i with lo < k i + m < hi (all in cells).
void limitSpan(Span& s, double k, double m, double lo, double hi) {
  if (std::abs(k) < 1e-12) {
    if (!(m > lo + kTouch && m < hi - kTouch)) s.end = s.first;
    return;
  }
  double l = (lo - m) / k, h = (hi - m) / k;
  if (k < 0) std::swap(l, h);
  s.first = std::max(s.first, floorIndex(l + kTouch) + 1);
  s.end = std::min(s.end, ceilIndex(h - kTouch));
}

void bRange(const Grid& g, const RectMm& r, double& lo, double& hi) {
  const double bs[4] = {g.b(r.x0, r.y0), g.b(r.x1, r.y0), g.b(r.x0, r.y1), g.b(r.x1, r.y1)};
  lo = *std::min_element(bs, bs + 4);
  hi = *std::max_element(bs, bs + 4);
}

// Grid rows whose band of cells overlaps the rectangle.
Span rowsOverlapping(const Grid& g, const RectMm& r) {
  double lo = 0, hi = 0;
  bRange(g, r, lo, hi);
  return {floorIndex(lo + kTouch), ceilIndex(hi - kTouch)};
}

// The cells of row j whose squares overlap the rectangle: the two convex shapes overlap unless
// one of the four axes (the grid's and the poster's) separates them.
Span cellsOverlapping(const Grid& g, const RectMm& r, int64_t j) {
  Span s{-static_cast<int64_t>(kFar), static_cast<int64_t>(kFar)};
  const double as[4] = {g.a(r.x0, r.y0), g.a(r.x1, r.y0), g.a(r.x0, r.y1), g.a(r.x1, r.y1)};
  limitSpan(s, 1, 0.5, *std::min_element(as, as + 4) - 0.5, *std::max_element(as, as + 4) + 0.5);
  const double half = (std::abs(g.cos) + std::abs(g.sin)) / 2;  // a cell's half width along x and y
  const double bc = static_cast<double>(j) + 0.5;
  limitSpan(s, g.cos, 0.5 * g.cos + bc * g.sin, r.x0 / g.cell - half, r.x1 / g.cell + half);
  limitSpan(s, -g.sin, bc * g.cos - 0.5 * g.sin, r.y0 / g.cell - half, r.y1 / g.cell + half);
  return s;
}

int64_t cellCount(const Grid& g, const RectMm& r) {
  int64_t n = 0;
  const Span rows = rowsOverlapping(g, r);
  for (int64_t j = rows.first; j < rows.end; ++j) n += cellsOverlapping(g, r, j).size();
  return n;
}

std::vector<double> screenAngles(const DotSettings& settings) {
  if (settings.colourMode == DotColourMode::Cmyk) return {std::begin(kCmykAngles), std::end(kCmykAngles)};
  return {settings.angleDeg};
}

int64_t dotsOfAllScreens(const RectMm& picture, double cellMm, const std::vector<double>& angles) {
  int64_t n = 0;
  for (double angle : angles) n += cellCount(gridAt(cellMm, angle), picture);
  return n;
}

// The smallest whole Rasterweite whose grid stays within kMaxDots. Every cell holds at most its
// own area of the picture, so none below the square root of area over dots per screen can.
int64_t smallestCellWithin(const RectMm& picture, const std::vector<double>& angles) {
  const double area = (picture.x1 - picture.x0) * (picture.y1 - picture.y0);
  const double perScreen = static_cast<double>(kMaxDots) / static_cast<double>(angles.size());
  auto mm = std::max<int64_t>(static_cast<int64_t>(kMinDotCellMm), floorIndex(std::sqrt(area / perScreen)));
  while (dotsOfAllScreens(picture, static_cast<double>(mm), angles) > kMaxDots) ++mm;
  return mm;
}

double luminance(double r, double g, double b) { return (0.299 * r + 0.587 * g + 0.114 * b) / 255; }

// A screen's cells that meet the picture, row by row.
struct ScreenCells {
  Grid grid;
  int64_t firstRow = 0;
  std::vector<Span> rows;          // the cells' i in each row
  std::vector<uint32_t> rowStart;  // index of each row's first cell; one more entry, the count
  int64_t firstI = 0;              // the least i of all rows

  ScreenCells(const Grid& g, const RectMm& picture) : grid(g) {
    const Span r = rowsOverlapping(g, picture);
    firstRow = r.first;
    uint32_t n = 0;
    firstI = std::numeric_limits<int64_t>::max();
    for (int64_t j = r.first; j < r.end; ++j) {
      Span s = cellsOverlapping(g, picture, j);
      if (s.end < s.first) s.end = s.first;
      rows.push_back(s);
      rowStart.push_back(n);
      n += static_cast<uint32_t>(s.size());
      if (s.size() > 0) firstI = std::min(firstI, s.first);
    }
    rowStart.push_back(n);
    if (n == 0) firstI = 0;
  }
  uint32_t count() const { return rowStart.back(); }
  // The cell holding grid point (a, b), or -1 when no cell meets the picture there.
  int64_t cellAt(int64_t i, int64_t j) const {
    const int64_t r = j - firstRow;
    if (r < 0 || r >= static_cast<int64_t>(rows.size())) return -1;
    const Span& s = rows[static_cast<size_t>(r)];
    if (i < s.first || i >= s.end) return -1;
    return rowStart[static_cast<size_t>(r)] + (i - s.first);
  }
};

// Sums of the picture's pixels over a cell. 32 bits hold any cell of up to kMaxSamples pixels;
// larger cells are sampled on a coarser lattice of pixels (see sampleStride).
struct CellSum {
  uint32_t r = 0, g = 0, b = 0, n = 0;
};
constexpr double kMaxSamples = 16'000'000;  // 255 times this stays below 2^32

// Every how many pixels along each axis the sums take one, so no cell exceeds kMaxSamples.
int32_t sampleStride(double cellMm, double mmX, double mmY) {
  const double side = cellMm * std::numbers::sqrt2;  // a turned cell's reach along x and y
  const double most = (side / mmX + 1) * (side / mmY + 1);
  return most <= kMaxSamples ? 1 : static_cast<int32_t>(std::ceil(std::sqrt(most / kMaxSamples)));
}

// Each cell's mean colour over the pixels whose centres lie in it; a cell without one takes the
// pixel under its centre (cells smaller than a pixel).
void sumPixels(const TDib& picture, double mmX, double mmY, int32_t stride, const std::vector<ScreenCells>& screens,
               std::vector<std::vector<CellSum>>& sums) {
  const int32_t w = DibWidth(picture), h = DibHeight(picture);
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * 3);
  const int32_t start = stride / 2;
  for (int32_t py = start; py < h; py += stride) {
    codec::rowToRgb(picture, py, rgb.data());
    const double y = (py + 0.5) * mmY;
    for (size_t s = 0; s < screens.size(); ++s) {
      const ScreenCells& sc = screens[s];
      if (sc.count() == 0) continue;
      const Grid& g = sc.grid;
      // Shifted so that truncation is the floor: every pixel lies at or beyond the first cells.
      const double shiftA = static_cast<double>(sc.firstI - 1), shiftB = static_cast<double>(sc.firstRow - 1);
      const double a0 = g.a((start + 0.5) * mmX, y) - shiftA, b0 = g.b((start + 0.5) * mmX, y) - shiftB;
      const double da = stride * mmX * g.cos / g.cell, db = stride * mmX * g.sin / g.cell;
      CellSum* out = sums[s].data();
      int32_t k = 0;
      for (int32_t px = start; px < w; px += stride, ++k) {
        const double a = a0 + k * da, b = b0 + k * db;
        if (!(a > 0 && b > 0)) continue;
        const int64_t cell =
            sc.cellAt(static_cast<int64_t>(a) + sc.firstI - 1, static_cast<int64_t>(b) + sc.firstRow - 1);
        if (cell < 0) continue;
        CellSum& c = out[cell];
        const uint8_t* p = &rgb[static_cast<size_t>(px) * 3];
        c.r += p[0];
        c.g += p[1];
        c.b += p[2];
        ++c.n;
      }
    }
  }
  // Empty cells, sorted by the picture row under their centres, so each row is read once.
  struct Pending {
    uint32_t screen, cell;
    int32_t px;
  };
  std::vector<std::vector<Pending>> byRow;
  for (size_t s = 0; s < screens.size(); ++s) {
    const ScreenCells& sc = screens[s];
    for (size_t r = 0; r < sc.rows.size(); ++r) {
      const int64_t j = sc.firstRow + static_cast<int64_t>(r);
      for (int64_t i = sc.rows[r].first; i < sc.rows[r].end; ++i) {
        const uint32_t cell = sc.rowStart[r] + static_cast<uint32_t>(i - sc.rows[r].first);
        if (sums[s][cell].n > 0) continue;
        const double ca = static_cast<double>(i) + 0.5, cb = static_cast<double>(j) + 0.5;
        const auto px = static_cast<int32_t>(std::clamp<int64_t>(floorIndex(sc.grid.x(ca, cb) / mmX), 0, w - 1));
        const auto py = static_cast<int32_t>(std::clamp<int64_t>(floorIndex(sc.grid.y(ca, cb) / mmY), 0, h - 1));
        if (byRow.empty()) byRow.resize(static_cast<size_t>(h));
        byRow[static_cast<size_t>(py)].push_back({static_cast<uint32_t>(s), cell, px});
      }
    }
  }
  for (size_t py = 0; py < byRow.size(); ++py) {
    if (byRow[py].empty()) continue;
    codec::rowToRgb(picture, static_cast<int32_t>(py), rgb.data());
    for (const Pending& p : byRow[py]) {
      const uint8_t* c = &rgb[static_cast<size_t>(p.px) * 3];
      sums[p.screen][p.cell] = {c[0], c[1], c[2], 1};
    }
  }
}

std::string refusal(int64_t dots, int64_t cellMm) {
  return "Das Punkteraster hätte " + std::to_string(dots) +
         " Punkte, mehr als 5 Millionen. Bitte eine Rasterweite von mindestens " + std::to_string(cellMm) +
         " mm wählen.";
}

// The share of a cell a circle of radius r inks when it and its neighbours are clipped to their
// cells (up to r = √2/2 a neighbour's part inside the cell lies within the cell's own circle).
double circleInCell(double r) {
  if (r <= 0.5) return std::numbers::pi * r * r;
  if (r >= std::numbers::sqrt2 / 2) return 1;
  return std::numbers::pi * r * r - 4 * (r * r * std::acos(0.5 / r) - 0.5 * std::sqrt(r * r - 0.25));
}

// Its derivative: the length of the circle's arc within the cell.
double circleArcInCell(double r) { return r * (2 * std::numbers::pi - 8 * std::acos(0.5 / r)); }

double circleRadius(double coverage) {
  if (coverage <= std::numbers::pi / 4) return std::sqrt(coverage / std::numbers::pi);
  // Newton's steps, kept within a shrinking bracket where the arc grows too short to lead.
  double lo = 0.5, hi = std::numbers::sqrt2 / 2, r = (lo + hi) / 2;
  for (int step = 0; step < 100 && hi - lo > 1e-13; ++step) {
    const double f = circleInCell(r) - coverage;
    if (f == 0) return r;
    (f < 0 ? lo : hi) = r;
    const double arc = circleArcInCell(r);
    const double next = arc > 0 ? r - f / arc : lo;
    r = next > lo && next < hi ? next : (lo + hi) / 2;
  }
  return r;
}

}  // namespace

std::string dotSettingsProblem(const DotSettings& s) {
  if (!within(s.cellMm, kMinDotCellMm, kMaxDotCellMm)) return "Die Rasterweite muss zwischen 2 und 100 mm liegen.";
  if (s.shape != DotShape::Circle && s.shape != DotShape::Square && s.shape != DotShape::Diamond &&
      s.shape != DotShape::Line) {
    return "Die Punktform ist unbekannt.";
  }
  if (!within(s.angleDeg, 0, 90)) return "Der Rasterwinkel muss zwischen 0 und 90° liegen.";
  if (s.colourMode != DotColourMode::Black && s.colourMode != DotColourMode::Chosen &&
      s.colourMode != DotColourMode::Picture && s.colourMode != DotColourMode::Cmyk) {
    return "Die Punktfarbe ist unbekannt.";
  }
  if (!within(s.gamma, kMinDotGamma, kMaxDotGamma)) return "Der Gammawert der Tonkurve muss zwischen 0,2 und 5 liegen.";
  if (!within(s.minDot, 0, kMaxDotMinimum)) {
    return "Der kleinste Punkt muss zwischen 0 und 0,5 einer Rasterzelle liegen.";
  }
  return {};
}

double dotCoverage(const DotSettings& settings, double darkness) {
  if (!(darkness > kNoDarkness)) return 0;
  const double c = settings.gamma == 1 ? std::min(darkness, 1.0) : std::pow(std::min(darkness, 1.0), settings.gamma);
  return c < settings.minDot ? 0 : c;
}

double dotExtent(DotShape shape, double coverage) {
  if (!(coverage > 0)) return 0;
  const double c = std::min(coverage, 1.0);
  switch (shape) {
    case DotShape::Circle:
      return circleRadius(c);
    case DotShape::Square:
      return std::sqrt(c) / 2;
    case DotShape::Diamond:
      // Up to half the cell the diamond lies within it (area 2 e²); beyond, its four tips leave.
      return c <= 0.5 ? std::sqrt(c / 2) : 1 - std::sqrt(2 * (1 - c)) / 2;
    case DotShape::Line:
      return c / 2;
  }
  return 0;
}

DotScreen DotScreen::make(const TDib& picture, const DotSettings& settings, double mmPerPixelX, double mmPerPixelY) {
  DotScreen screen;
  screen.settings_ = settings;
  screen.message_ = dotSettingsProblem(settings);
  if (!screen.message_.empty() || picture.empty() || !std::isfinite(mmPerPixelX) || !std::isfinite(mmPerPixelY) ||
      !(mmPerPixelX > 0) || !(mmPerPixelY > 0)) {
    return screen;
  }
  const int bits = DibBitCount(picture);
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return screen;
  const int32_t w = DibWidth(picture), h = DibHeight(picture);
  if (w <= 0 || h <= 0) return screen;
  const RectMm extent{0, 0, w * mmPerPixelX, h * mmPerPixelY};
  if (!std::isfinite(extent.x1) || !std::isfinite(extent.y1)) return screen;

  screen.angles_ = screenAngles(settings);
  const int64_t dots = dotsOfAllScreens(extent, settings.cellMm, screen.angles_);
  if (dots > kMaxDots) {
    screen.message_ = refusal(dots, smallestCellWithin(extent, screen.angles_));
    screen.angles_.clear();
    return screen;
  }
  screen.widthMm_ = extent.x1;
  screen.heightMm_ = extent.y1;

  std::vector<ScreenCells> cells;
  std::vector<std::vector<CellSum>> sums;
  for (double angle : screen.angles_) {
    cells.emplace_back(gridAt(settings.cellMm, angle), extent);
    sums.emplace_back(cells.back().count());
  }
  sumPixels(picture, mmPerPixelX, mmPerPixelY, sampleStride(settings.cellMm, mmPerPixelX, mmPerPixelY), cells, sums);

  const auto count = static_cast<int>(cells.size());
  screen.screens_.resize(cells.size());
  for (int s = 0; s < count; ++s) {
    const ScreenCells& sc = cells[static_cast<size_t>(s)];
    std::vector<Dot>& dots_ = screen.screens_[static_cast<size_t>(s)];
    std::vector<uint32_t> starts;
    starts.reserve(sc.rows.size() + 1);
    for (size_t r = 0; r < sc.rows.size(); ++r) {
      starts.push_back(static_cast<uint32_t>(dots_.size()));
      const int64_t j = sc.firstRow + static_cast<int64_t>(r);
      for (int64_t i = sc.rows[r].first; i < sc.rows[r].end; ++i) {
        const CellSum& sum = sums[static_cast<size_t>(s)][sc.rowStart[r] + static_cast<uint32_t>(i - sc.rows[r].first)];
        const double n = std::max<uint32_t>(sum.n, 1);
        const double red = sum.r / n, green = sum.g / n, blue = sum.b / n;
        double darkness = 1 - luminance(red, green, blue);
        Color colour = kBlack;
        switch (settings.colourMode) {
          case DotColourMode::Black:
            break;
          case DotColourMode::Chosen:
            colour = settings.colour;
            break;
          case DotColourMode::Picture:
            colour = rgbColor(static_cast<uint8_t>(std::lround(red)), static_cast<uint8_t>(std::lround(green)),
                              static_cast<uint8_t>(std::lround(blue)));
            break;
          case DotColourMode::Cmyk: {
            const double inks[3] = {1 - red / 255, 1 - green / 255, 1 - blue / 255};
            const double k = std::min({inks[0], inks[1], inks[2]});
            darkness = s < 3 ? inks[s] - k : k;
            colour = kCmykInks[s];
            break;
          }
        }
        const double coverage = dotCoverage(settings, darkness);
        if (coverage <= 0) continue;
        const double ca = static_cast<double>(i) + 0.5, cb = static_cast<double>(j) + 0.5;
        dots_.push_back({static_cast<float>(sc.grid.x(ca, cb)), static_cast<float>(sc.grid.y(ca, cb)),
                         static_cast<float>(dotExtent(settings.shape, coverage)), colour});
      }
    }
    starts.push_back(static_cast<uint32_t>(dots_.size()));
    screen.firstRows_.push_back(sc.firstRow);
    screen.rowStarts_.push_back(std::move(starts));
  }
  return screen;
}

int DotScreen::screenCount() const { return static_cast<int>(screens_.size()); }

int64_t DotScreen::dotCount() const {
  int64_t n = 0;
  for (const auto& dots : screens_) n += static_cast<int64_t>(dots.size());
  return n;
}

void DotScreen::marksTouching(int screen, const MmToDevice& map, const DeviceRect& clip,
                              std::vector<DotMark>& out) const {
  if (!ok() || screen < 0 || screen >= screenCount() || clip.width() <= 0 || clip.height() <= 0 ||
      !std::isfinite(map.sx) || !std::isfinite(map.sy) || map.sx == 0 || map.sy == 0) {
    return;
  }
  const auto index = static_cast<size_t>(screen);
  const Grid g = gridAt(settings_.cellMm, angles_[index]);
  // The clip in millimetres, grown by a pixel and by the farthest a shape reaches from its
  // centre (a diamond's tip at full ink: one cell).
  const double xa = (clip.left - 1 - map.tx) / map.sx, xb = (clip.right + 1 - map.tx) / map.sx;
  const double ya = (clip.top - 1 - map.ty) / map.sy, yb = (clip.bottom + 1 - map.ty) / map.sy;
  const RectMm near{std::min(xa, xb) - g.cell, std::min(ya, yb) - g.cell, std::max(xa, xb) + g.cell,
                    std::max(ya, yb) + g.cell};
  const std::vector<Dot>& dots = screens_[index];
  const std::vector<uint32_t>& starts = rowStarts_[index];
  const int64_t firstRow = firstRows_[index];
  Span rows = rowsOverlapping(g, near);
  rows.first = std::max(rows.first, firstRow);
  rows.end = std::min(rows.end, firstRow + static_cast<int64_t>(starts.size()) - 1);

  const bool line = settings_.shape == DotShape::Line;
  const double along = (0.5 + kLineHair) * g.cell;
  const auto aOf = [&](const Dot& d) { return g.a(d.x, d.y); };
  for (int64_t j = rows.first; j < rows.end; ++j) {
    const Span cells = cellsOverlapping(g, near, j);
    if (cells.size() == 0) continue;
    const auto r = static_cast<size_t>(j - firstRow);
    const auto rowBegin = dots.begin() + starts[r], rowEnd = dots.begin() + starts[r + 1];
    const auto from = std::partition_point(rowBegin, rowEnd, [&](const Dot& d) { return aOf(d) < cells.first; });
    const auto to = std::partition_point(from, rowEnd, [&](const Dot& d) { return aOf(d) < cells.end; });
    for (auto d = from; d != to; ++d) {
      const double k = d->extent * g.cell, ku = line ? along : k;
      DotMark m;
      m.cx = map.sx * d->x + map.tx;
      m.cy = map.sy * d->y + map.ty;
      m.m11 = map.sx * ku * g.cos;
      m.m21 = -map.sy * ku * g.sin;
      m.m12 = map.sx * k * g.sin;
      m.m22 = map.sy * k * g.cos;
      m.color = d->colour;
      const double ex = std::abs(m.m11) + std::abs(m.m12), ey = std::abs(m.m21) + std::abs(m.m22);
      if (m.cx + ex < clip.left - 1 || m.cx - ex > clip.right + 1 || m.cy + ey < clip.top - 1 ||
          m.cy - ey > clip.bottom + 1) {
        continue;
      }
      out.push_back(m);
    }
  }
}

namespace {

// One axis of a band as drawBand stretches it: device = scale * picture pixel + offset.
struct BandAxis {
  double scale = 0, offset = 0;
  bool ok = false;
};

BandAxis bandAxis(int32_t src, int32_t len, const BandSpan& exact, bool physical, int32_t from, int32_t to) {
  const auto drawn = static_cast<double>(drawnLength(len, exact, physical));
  const double start = drawnFromExactSpan(len, physical) ? static_cast<double>(exact.start) : src;
  BandAxis axis;
  if (!(drawn > 0) || !std::isfinite(drawn) || !std::isfinite(start)) return axis;
  axis.scale = (to - from) / drawn;
  axis.offset = from - start * axis.scale;
  axis.ok = true;
  return axis;
}

}  // namespace

void drawDotBand(Device& dc, const DotScreen& screen, const SheetBand& band, int32_t pictureWidth,
                 int32_t pictureHeight) {
  if (!screen.ok() || !band.valid || pictureWidth <= 0 || pictureHeight <= 0 || band.dest.width() <= 0 ||
      band.dest.height() <= 0) {
    return;
  }
  const BandAxis x = bandAxis(band.srcLeft, band.srcWidth, band.exactX, band.physical, band.dest.left, band.dest.right);
  const BandAxis y = bandAxis(band.srcTop, band.srcHeight, band.exactY, band.physical, band.dest.top, band.dest.bottom);
  if (!x.ok || !y.ok) return;
  const MmToDevice map{x.scale * pictureWidth / screen.widthMm(), y.scale * pictureHeight / screen.heightMm(), x.offset,
                       y.offset};
  // The band's rectangle, and within it the picture's extent as drawBand rounds it.
  const auto edge = [](double v) { return Round(std::clamp(v, -1e9, 1e9)); };
  DeviceRect clip = band.dest;
  clip.left = std::max(clip.left, edge(x.offset));
  clip.right = std::min(clip.right, edge(x.offset + x.scale * pictureWidth));
  clip.top = std::max(clip.top, edge(y.offset));
  clip.bottom = std::min(clip.bottom, edge(y.offset + y.scale * pictureHeight));
  if (clip.width() <= 0 || clip.height() <= 0) return;
  std::vector<DotMark> marks;
  for (int s = 0; s < screen.screenCount(); ++s) {
    marks.clear();
    screen.marksTouching(s, map, clip, marks);
    if (!marks.empty()) {
      dc.fillDots(screen.settings().shape, marks, clip.left, clip.top, clip.right, clip.bottom, screen.multiply());
    }
  }
}

}  // namespace tessaro
