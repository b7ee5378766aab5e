#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "print/DotScreen.h"
#include "print/SheetBand.h"
#include "support/RasterDevice.h"

using namespace tessaro;

namespace {

constexpr DotShape kShapes[] = {DotShape::Circle, DotShape::Square, DotShape::Diamond, DotShape::Line};
constexpr const char* kNames[] = {"circle", "square", "diamond", "line"};
const char* name(DotShape s) { return kNames[static_cast<int>(s)]; }
constexpr Color kCyan = rgbColor(0, 255, 255), kMagenta = rgbColor(255, 0, 255), kYellow = rgbColor(255, 255, 0);

// The unit shapes, from their definitions.
bool inUnitShape(DotShape shape, double u, double v) {
  if (shape == DotShape::Circle) return u * u + v * v <= 1;
  if (shape == DotShape::Diamond) return std::abs(u) + std::abs(v) <= 1;
  return std::abs(u) <= 1 && std::abs(v) <= 1;
}

// The inked share of the cell [-1/2, 1/2]² when it and all its neighbours carry a dot of extent
// e, counted on a fine lattice. A line runs the full cell along x, 2e across.
double inkByCounting(DotShape shape, double e) {
  constexpr int n = 400;
  int inked = 0;
  for (int iy = 0; iy < n; ++iy) {
    for (int ix = 0; ix < n; ++ix) {
      const double x = -0.5 + (ix + 0.5) / n, y = -0.5 + (iy + 0.5) / n;
      bool in = shape == DotShape::Line && std::abs(y) <= e;
      for (int d = 0; d < 9 && !in && shape != DotShape::Line; ++d)
        in = inUnitShape(shape, (x - d % 3 + 1) / e, (y - d / 3 + 1) / e);
      inked += in;
    }
  }
  return static_cast<double>(inked) / (n * n);
}

// A w x h picture in `colour`, `left` in the columns before `split`. Palette pictures hold the
// colour in their last table entry, so the index is really read.
TDib picture(int bits, Color colour, int32_t w = 16, int32_t h = 12, int32_t split = 0, Color left = kBlack) {
  TDib d = newdib(w, h, bits, nullptr, 0);
  const int last = (1 << std::min(bits, 8)) - 1;
  if (bits <= 8) {
    d.colors()[last] = RgbQuad{colorBlue(colour), colorGreen(colour), colorRed(colour), 0};
    syncPaletteFromColors(d, last + 1);
  }
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      const Color c = x < split ? left : colour;
      if (bits <= 8) {
        setpixel(d, x, y, last);
      } else {
        uint8_t* p = d.row(y) + x * bits / 8;
        p[0] = colorBlue(c), p[1] = colorGreen(c), p[2] = colorRed(c);
      }
    }
  }
  return d;
}

Color grey(uint8_t v) { return rgbColor(v, v, v); }

DotSettings settingsOf(DotShape shape, double cellMm, double angle, DotColourMode mode = DotColourMode::Black) {
  DotSettings s;
  s.shape = shape, s.cellMm = cellMm, s.angleDeg = angle, s.colourMode = mode;
  return s;
}

// Every mark of a screen at one device pixel per millimetre.
std::vector<DotMark> allMarks(const DotScreen& screen, int s) {
  std::vector<DotMark> marks;
  screen.marksTouching(s, MmToDevice{}, DeviceRect{-1'000'000, -1'000'000, 1'000'000, 1'000'000}, marks);
  return marks;
}

// A mark's extent in cells at one pixel per millimetre: its map is the extent in millimetres
// times a turn.
double markExtent(const DotMark& m, double cellMm) {
  return std::sqrt(std::abs(m.m11 * m.m22 - m.m12 * m.m21)) / cellMm;
}

}  // namespace

TEST(DotScreen, ExtentInksItsCoverage) {
  for (DotShape shape : kShapes) {
    for (double coverage : {0.05, 0.2, 0.45, 0.6, 0.785, 0.9, 0.99, 1.0})
      EXPECT_NEAR(inkByCounting(shape, dotExtent(shape, coverage)), coverage, 0.005) << name(shape) << coverage;
    EXPECT_EQ(dotExtent(shape, 0), 0) << name(shape);
  }
}

TEST(DotScreen, SettingsOutOfRangeAreRefused) {
  const auto with = [](auto change) {
    DotSettings s;
    change(s);
    return s;
  };
  const std::vector<std::pair<DotSettings, bool>> cases = {
      {DotSettings{}, false},
      {with([](DotSettings& s) { s.cellMm = 2, s.angleDeg = 90, s.gamma = 5, s.minDot = 0.5; }), false},
      {with([](DotSettings& s) { s.cellMm = 100, s.angleDeg = 0, s.gamma = 0.2, s.minDot = 0; }), false},
      {with([](DotSettings& s) { s.cellMm = 1.99; }), true},
      {with([](DotSettings& s) { s.cellMm = 100.5; }), true},
      {with([](DotSettings& s) { s.cellMm = std::nan(""); }), true},
      {with([](DotSettings& s) { s.angleDeg = -1; }), true},
      {with([](DotSettings& s) { s.angleDeg = 91; }), true},
      {with([](DotSettings& s) { s.gamma = 0.1; }), true},
      {with([](DotSettings& s) { s.gamma = INFINITY; }), true},
      {with([](DotSettings& s) { s.minDot = -0.01; }), true},
      {with([](DotSettings& s) { s.minDot = 0.6; }), true},
      {with([](DotSettings& s) { s.shape = static_cast<DotShape>(9); }), true},
      {with([](DotSettings& s) { s.colourMode = static_cast<DotColourMode>(9); }), true},
  };
  const TDib flat = picture(24, grey(128));
  for (size_t i = 0; i < cases.size(); ++i) {
    const auto& [settings, refused] = cases[i];
    EXPECT_EQ(dotSettingsProblem(settings).empty(), !refused) << "case " << i;
    const DotScreen screen = DotScreen::make(flat, settings, 1, 1);
    EXPECT_EQ(screen.ok(), !refused) << "case " << i;
    EXPECT_EQ(screen.message(), dotSettingsProblem(settings)) << "case " << i;
  }
}

TEST(DotScreen, TooManyDotsAreRefusedNamingAWiderGrid) {
  // 4500 mm square at 2 mm without a turn: 2250 x 2250 cells; at 3 mm 1500 x 1500 stay within.
  const DotScreen refused =
      DotScreen::make(picture(24, grey(128), 45, 45), settingsOf(DotShape::Circle, 2, 0), 100, 100);
  EXPECT_FALSE(refused.ok());
  EXPECT_EQ(refused.message(),
            "Das Punkteraster hätte 5062500 Punkte, mehr als 5 Millionen. Bitte eine Rasterweite von mindestens 3 mm "
            "wählen.");
  // A turned grid and the four screens of CMYK: the named Rasterweite is within, 1 mm less is not.
  for (const auto& [mode, pixels] : {std::pair{DotColourMode::Black, 45}, std::pair{DotColourMode::Cmyk, 23}}) {
    const TDib p = picture(24, kWhite, pixels, pixels);
    const std::string text = DotScreen::make(p, settingsOf(DotShape::Square, 2, 45, mode), 100, 100).message();
    const size_t at = text.find("mindestens ");
    ASSERT_NE(at, std::string::npos) << text;
    const double named = std::stod(text.substr(at + 11));
    EXPECT_TRUE(DotScreen::make(p, settingsOf(DotShape::Square, named, 45, mode), 100, 100).ok()) << text;
    EXPECT_FALSE(DotScreen::make(p, settingsOf(DotShape::Square, named - 1, 45, mode), 100, 100).ok()) << text;
  }
}

TEST(DotScreen, CellsTakeTheMeanOfTheirPixels) {
  const double g128 = 127.0 / 255;                                         // darkness of grey 128
  const Color blue = rgbColor(0, 0, 255), pink = rgbColor(255, 128, 128);  // (255, 127.5, 127.5) rounded
  struct Case {
    const char* name;
    TDib picture;
    double mmPerPixel, cellMm;
    DotColourMode mode;
    double gamma, minDot;
    int32_t rows;                  // rows of cells at 0°; 0: not counted
    bool perColumn;                // coverage and colour per column of cells, else per screen
    std::vector<double> coverage;  // 0: no dot
    std::vector<Color> colour;
  };
  std::vector<Case> cases;
  const auto add = [&](Case c) { cases.push_back(std::move(c)); };
  // Flat 16 x 12 mm pictures, 2 mm cells: 8 x 6 equal dots, at every depth.
  add({"grey", picture(24, grey(128)), 1, 2, DotColourMode::Black, 1, 0, 6, false, {g128}, {kBlack}});
  add({"gamma 2", picture(24, grey(128)), 1, 2, DotColourMode::Black, 2, 0, 6, false, {g128 * g128}, {kBlack}});
  add({"chosen colour, 8 bits",
       picture(8, grey(64)),
       1,
       2,
       DotColourMode::Chosen,
       1,
       0,
       6,
       false,
       {191.0 / 255},
       {blue}});
  add({"picture colour, 4 bits", picture(4, kRed), 1, 2, DotColourMode::Picture, 1, 0, 6, false, {0.701}, {kRed}});
  add({"black in 1 bit", picture(1, kBlack), 1, 2, DotColourMode::Black, 2, 0, 6, false, {1}, {kBlack}});
  add({"below the smallest dot", picture(24, grey(230)), 1, 2, DotColourMode::Black, 1, 0.2, 6, false, {0}, {kBlack}});
  add({"above it", picture(24, grey(200)), 1, 2, DotColourMode::Black, 1, 0.2, 6, false, {55.0 / 255}, {kBlack}});
  add({"white", picture(24, kWhite), 1, 2, DotColourMode::Black, 1, 0, 6, false, {0}, {kBlack}});
  add({"grey in CMYK: black only",
       picture(24, grey(128)),
       1,
       2,
       DotColourMode::Cmyk,
       1,
       0,
       0,
       false,
       {0, 0, 0, g128},
       {kCyan, kMagenta, kYellow, kBlack}});
  add({"orange in CMYK, 32 bits",
       picture(32, rgbColor(200, 100, 50)),
       1,
       2,
       DotColourMode::Cmyk,
       1,
       0,
       0,
       false,
       {0, 100.0 / 255, 150.0 / 255, 55.0 / 255},
       {kCyan, kMagenta, kYellow, kBlack}});
  // 20 x 10 mm, black up to 10 mm; 4 mm cells: the third column holds two black and two white
  // pixels in each row.
  add({"half black",
       picture(24, kWhite, 20, 10, 10),
       1,
       4,
       DotColourMode::Black,
       1,
       0,
       3,
       true,
       {1, 1, 0.5, 0, 0},
       {kBlack, kBlack, kBlack}});
  add({"half red",
       picture(24, kWhite, 20, 10, 10, kRed),
       1,
       4,
       DotColourMode::Picture,
       1,
       0,
       3,
       true,
       {0.701, 0.701, 1 - (0.299 * 255 + 0.701 * 127.5) / 255, 0, 0},
       {kRed, kRed, pink}});
  // Pixels of 10 mm under cells of 2 mm: each cell takes the pixel under its centre.
  add({"cells smaller than pixels", picture(24, kWhite, 4, 3, 2), 10, 2, DotColourMode::Black, 1, 0, 15, true,
       std::vector<double>(10, 1.0), std::vector<Color>(10, kBlack)});
  for (const Case& c : cases) {
    DotSettings s = settingsOf(DotShape::Square, c.cellMm, 0, c.mode);
    s.colour = blue, s.gamma = c.gamma, s.minDot = c.minDot;
    const DotScreen screen = DotScreen::make(c.picture, s, c.mmPerPixel, c.mmPerPixel);
    ASSERT_TRUE(screen.ok()) << c.name << ": " << screen.message();
    ASSERT_EQ(screen.screenCount(), c.perColumn ? 1 : static_cast<int>(c.coverage.size())) << c.name;
    int64_t dots = 0;
    for (int k = 0; k < screen.screenCount(); ++k) {
      const std::vector<DotMark> marks = allMarks(screen, k);
      // Flat pictures: a dot in each of 8 columns of cells, or none.
      int64_t expected = 0;
      for (double v : c.perColumn ? c.coverage : std::vector{c.coverage[static_cast<size_t>(k)]})
        expected += v > 0 ? c.rows * (c.perColumn ? 1 : 8) : 0;
      if (c.rows > 0) EXPECT_EQ(static_cast<int64_t>(marks.size()), expected) << c.name;
      if (!c.perColumn) EXPECT_EQ(marks.empty(), c.coverage[static_cast<size_t>(k)] == 0) << c.name << ", " << k;
      dots += static_cast<int64_t>(marks.size());
      for (const DotMark& m : marks) {
        const auto at = static_cast<size_t>(c.perColumn ? std::floor(m.cx / c.cellMm) : k);
        ASSERT_LT(at, c.coverage.size()) << c.name;
        EXPECT_NEAR(markExtent(m, c.cellMm), dotExtent(DotShape::Square, c.coverage[at]), 1e-3) << c.name << " " << at;
        EXPECT_EQ(m.color, c.colour[at]) << c.name << " " << at;
      }
    }
    EXPECT_EQ(screen.dotCount(), dots) << c.name;
  }
}

TEST(DotScreen, NeighbouringSheetsShareTheDotsOnTheirEdge) {
  // A 100 x 80 pixel picture over two sheets of 200 x 320 device pixels, side by side, drawn
  // through the fallback's whole pixels, equals the picture drawn as one band.
  const TDib flat = picture(24, grey(100), 100, 80);
  Options options;
  options.OptGlueMargin = false;
  for (DotShape shape : kShapes) {
    for (double angle : {0.0, 30.0, 45.0}) {
      const DotScreen screen = DotScreen::make(flat, settingsOf(shape, 5, angle), 1, 1);
      const std::string what = std::string(name(shape)) + " at " + std::to_string(angle);
      test::RasterDevice whole(440, 340), sheets(440, 340);
      drawDotBand(whole, screen, sheetBand({100, 80, 1, 1, 1, 1}, options, {}, 0, 0, {20, 10, 420, 330}, false), 100,
                  80);
      for (int col = 0; col < 2; ++col) {
        const DeviceRect rect{20 + 200 * col, 10, 220 + 200 * col, 330};
        drawDotBand(sheets, screen, sheetBand({100, 80, 2, 1, 2, 1}, options, {}, col, 0, rect, false), 100, 80);
      }
      EXPECT_EQ(whole.pixels(), sheets.pixels()) << what;
      // Ink within the picture only, and as much as the grey asks for away from its edges (whole
      // pixels round the sides of upright squares, so those are left out).
      EXPECT_EQ(whole.countNot(kWhite, 0, 0, 440, 340), whole.countNot(kWhite, 20, 10, 420, 330)) << what;
      const double inner = static_cast<double>(whole.countNot(kWhite, 60, 50, 380, 290)) / (320 * 240);
      if (angle != 0) EXPECT_NEAR(inner, 155.0 / 255, 0.03) << what;
      // A sheet gets only the dots near it: a quarter of the picture, not many more than a quarter.
      std::vector<DotMark> quarter;
      screen.marksTouching(0, {4, 4, 20, 10}, {20, 10, 120, 330}, quarter);
      EXPECT_LT(quarter.size(), allMarks(screen, 0).size() * 0.4) << what;
    }
  }
}

TEST(DotScreen, MarksForAClipAreThoseThatTouchIt) {
  const TDib flat = picture(24, grey(60), 100, 80);
  for (DotShape shape : kShapes) {
    const DotScreen screen = DotScreen::make(flat, settingsOf(shape, 5, 30), 1, 1);
    std::vector<DotMark> left, right;
    screen.marksTouching(0, {4, 4, 7, 3}, {0, 0, 200, 330}, left);
    screen.marksTouching(0, {4, 4, 7, 3}, {200, 0, 420, 330}, right);
    const auto has = [](const std::vector<DotMark>& v, const DotMark& m) {
      return std::any_of(v.begin(), v.end(), [&](const DotMark& o) { return o.cx == m.cx && o.cy == m.cy; });
    };
    int onEdge = 0;
    for (DotMark m : allMarks(screen, 0)) {
      m.cx = 4 * m.cx + 7, m.cy = 4 * m.cy + 3;
      // Every unit shape lies within the unit square, so its corners bound the mark.
      const double ex = 4 * (std::abs(m.m11) + std::abs(m.m12)), ey = 4 * (std::abs(m.m21) + std::abs(m.m22));
      if (m.cy - ey < 2 || m.cy + ey > 328) continue;
      const bool leftOnly = m.cx + ex < 198 && m.cx - ex > 2, rightOnly = m.cx - ex > 202 && m.cx + ex < 418;
      if (leftOnly || rightOnly) EXPECT_TRUE(has(left, m) == leftOnly && has(right, m) == rightOnly) << name(shape);
      if (m.cx - ex < 199 && m.cx + ex > 201) {
        ++onEdge;
        EXPECT_TRUE(has(left, m) && has(right, m)) << name(shape);
      }
    }
    EXPECT_GT(onEdge, 10) << name(shape);
  }
}

TEST(DotScreen, PreviewInksAsMuchAsThePictureAsks) {
  // Mean of a channel over the inner part of a 250 x 175 preview of a 100 x 70 mm picture.
  const auto mean = [](const TDib& shown, int channel) {
    double sum = 0;
    for (int32_t y = 15; y < 160; ++y)
      for (int32_t x = 15; x < 235; ++x) sum += shown.row(y)[3 * x + channel];
    return sum / (145 * 220);
  };
  for (DotShape shape : kShapes) {
    for (uint8_t v : {230, 160, 100, 40}) {
      // 50 x 35 cells of 2 mm at 5 pixels a cell, as a preview shows them.
      const TDib shown =
          renderDotPicture(DotScreen::make(picture(24, grey(v), 100, 70), settingsOf(shape, 2, 45), 1, 1), 250, 175);
      ASSERT_EQ(DibWidth(shown), 250);
      EXPECT_NEAR(1 - mean(shown, 1) / 255, (255 - v) / 255.0, 0.03) << name(shape) << ", grey " << int{v};
    }
  }
  // CMYK inks multiply: orange (200, 100, 50) is magenta 100/255, yellow 150/255 and black
  // 55/255; screens at different angles overlap at random, so each channel keeps the product of
  // what each ink leaves of it: red 200, green 155/255 of that, blue 105/255 of it.
  const DotScreen cmyk = DotScreen::make(picture(24, rgbColor(200, 100, 50), 100, 70),
                                         settingsOf(DotShape::Circle, 2, 0, DotColourMode::Cmyk), 1, 1);
  const TDib shown = renderDotPicture(cmyk, 250, 175);
  const double want[3] = {200 * 105 / 255.0, 200 * 155 / 255.0, 200};  // stored blue, green, red
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(mean(shown, c), want[c], 255 * 0.03) << "channel " << c;
}

TEST(DotScreen, FallbackFillsThePixelsWhoseCentresLieInTheShape) {
  const double c = std::cos(0.5), s = std::sin(0.5);
  const std::vector<std::pair<DotMark, DeviceRect>> cases = {
      {{20.3, 19.8, 7.5, 0, 0, 7.5, kBlack}, {0, 0, 40, 40}},               // round
      {{20, 20.5, 12 * c, 4 * s, -12 * s, 4 * c, kBlack}, {0, 0, 40, 40}},  // turned and stretched
      {{19.5, 21, -6, 2, 3, 9, kBlack}, {0, 0, 40, 40}},                    // mirrored
      {{20, 20, 9 * c, 9 * s, -9 * s, 9 * c, kBlack}, {5, 12, 23, 31}},     // clipped
      {{10.4, 10.6, 0.3, 0, 0, 0.3, kBlack}, {0, 0, 40, 40}},               // under a pixel
  };
  for (DotShape shape : kShapes) {
    for (size_t i = 0; i < cases.size(); ++i) {
      const auto& [m, clip] = cases[i];
      test::RasterDevice dev(40, 40);
      dev.fillDots(shape, std::span(&m, 1), clip.left, clip.top, clip.right, clip.bottom, false);
      const double det = m.m11 * m.m22 - m.m12 * m.m21;
      for (int32_t y = 0; y < 40; ++y) {
        for (int32_t x = 0; x < 40; ++x) {
          const double dx = x + 0.5 - m.cx, dy = y + 0.5 - m.cy;
          const bool in = x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom &&
                          inUnitShape(shape, (m.m22 * dx - m.m12 * dy) / det, (m.m11 * dy - m.m21 * dx) / det);
          ASSERT_EQ(dev.pixel(x, y), in ? kBlack : kWhite) << name(shape) << ", case " << i << " at " << x << "," << y;
        }
      }
    }
  }
}
