#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "print/DotScreen.h"
#include "print/SheetBand.h"
#include "support/RasterDevice.h"

using namespace tessaro;

namespace {

constexpr DotShape kShapes[] = {DotShape::Circle, DotShape::Square, DotShape::Diamond, DotShape::Line};

const char* shapeName(DotShape s) {
  switch (s) {
    case DotShape::Circle:
      return "circle";
    case DotShape::Square:
      return "square";
    case DotShape::Diamond:
      return "diamond";
    case DotShape::Line:
      return "line";
  }
  return "?";
}

// The unit shapes, from their definitions.
bool inUnitShape(DotShape shape, double u, double v) {
  switch (shape) {
    case DotShape::Circle:
      return u * u + v * v <= 1;
    case DotShape::Diamond:
      return std::abs(u) + std::abs(v) <= 1;
    default:
      return std::abs(u) <= 1 && std::abs(v) <= 1;
  }
}

// The inked share of the cell [-1/2, 1/2]² when it and all its neighbours carry a dot of extent
// e, counted on a fine lattice. A line runs the full cell along x, 2e across.
double inkByCounting(DotShape shape, double e) {
  constexpr int n = 400;
  int inked = 0;
  for (int iy = 0; iy < n; ++iy) {
    const double y = -0.5 + (iy + 0.5) / n;
    for (int ix = 0; ix < n; ++ix) {
      const double x = -0.5 + (ix + 0.5) / n;
      bool in = shape == DotShape::Line && std::abs(y) <= e;
      for (int dy = -1; dy <= 1 && !in && shape != DotShape::Line; ++dy) {
        for (int dx = -1; dx <= 1 && !in; ++dx) in = inUnitShape(shape, (x - dx) / e, (y - dy) / e);
      }
      inked += in;
    }
  }
  return static_cast<double>(inked) / (n * n);
}

// A w x h picture whose every pixel is (r, g, b), at a depth; palette pictures use their last
// table entry, so the index is really read.
TDib flatPicture(int bits, uint8_t r, uint8_t g, uint8_t b, int32_t w = 16, int32_t h = 12) {
  TDib d = newdib(w, h, bits, nullptr, 0);
  if (bits <= 8) {
    const int last = (1 << bits) - 1;
    d.colors()[last] = RgbQuad{b, g, r, 0};
    syncPaletteFromColors(d, 1 << bits);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) setpixel(d, x, y, last);
  } else {
    for (int32_t y = 0; y < h; ++y) {
      uint8_t* p = d.row(y);
      for (int32_t x = 0; x < w; ++x, p += bits / 8) {
        p[0] = b;
        p[1] = g;
        p[2] = r;
      }
    }
  }
  return d;
}

// Black in the columns left of `split`, white beyond.
TDib splitPicture(int32_t w, int32_t h, int32_t split, Color left = kBlack) {
  TDib d = flatPicture(24, 255, 255, 255, w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < split; ++x) {
      uint8_t* p = d.row(y) + 3 * x;
      p[0] = colorBlue(left);
      p[1] = colorGreen(left);
      p[2] = colorRed(left);
    }
  return d;
}

DotSettings settingsOf(DotShape shape, double cellMm, double angle, DotColourMode mode = DotColourMode::Black) {
  DotSettings s;
  s.shape = shape;
  s.cellMm = cellMm;
  s.angleDeg = angle;
  s.colourMode = mode;
  return s;
}

// Every mark of a screen at one device pixel per millimetre.
std::vector<DotMark> allMarks(const DotScreen& screen, int s) {
  std::vector<DotMark> marks;
  screen.marksTouching(s, MmToDevice{}, DeviceRect{-1'000'000, -1'000'000, 1'000'000, 1'000'000}, marks);
  return marks;
}

// The extent (in cells) of a mark drawn at one pixel per millimetre, read from the size of its
// map: a dot's map is its extent in millimetres times a turn.
double markExtent(const DotMark& m, double cellMm) {
  return std::sqrt(std::abs(m.m11 * m.m22 - m.m12 * m.m21)) / cellMm;
}

}  // namespace

TEST(DotScreen, ExtentInksItsCoverage) {
  for (DotShape shape : kShapes) {
    for (double coverage : {0.05, 0.2, 0.45, 0.6, 0.785, 0.9, 0.99, 1.0}) {
      const double e = dotExtent(shape, coverage);
      EXPECT_NEAR(inkByCounting(shape, e), coverage, 0.005) << shapeName(shape) << " at " << coverage;
    }
    EXPECT_EQ(dotExtent(shape, 0), 0) << shapeName(shape);
  }
}

TEST(DotScreen, SettingsOutOfRangeAreRefused) {
  struct Case {
    const char* name;
    std::function<void(DotSettings&)> change;
    bool refused;
  };
  const std::vector<Case> cases = {
      {"defaults", [](DotSettings&) {}, false},
      {"limits", [](DotSettings& s) { s.cellMm = 2, s.angleDeg = 90, s.gamma = 5, s.minDot = 0.5; }, false},
      {"other limits", [](DotSettings& s) { s.cellMm = 100, s.angleDeg = 0, s.gamma = 0.2, s.minDot = 0; }, false},
      {"cell too small", [](DotSettings& s) { s.cellMm = 1.99; }, true},
      {"cell too large", [](DotSettings& s) { s.cellMm = 100.5; }, true},
      {"cell NaN", [](DotSettings& s) { s.cellMm = std::nan(""); }, true},
      {"angle below 0", [](DotSettings& s) { s.angleDeg = -1; }, true},
      {"angle above 90", [](DotSettings& s) { s.angleDeg = 91; }, true},
      {"gamma too small", [](DotSettings& s) { s.gamma = 0.1; }, true},
      {"gamma too large", [](DotSettings& s) { s.gamma = 5.5; }, true},
      {"gamma infinite", [](DotSettings& s) { s.gamma = INFINITY; }, true},
      {"smallest dot below 0", [](DotSettings& s) { s.minDot = -0.01; }, true},
      {"smallest dot above half", [](DotSettings& s) { s.minDot = 0.6; }, true},
      {"unknown shape", [](DotSettings& s) { s.shape = static_cast<DotShape>(9); }, true},
      {"unknown colour mode", [](DotSettings& s) { s.colourMode = static_cast<DotColourMode>(9); }, true},
  };
  const TDib picture = flatPicture(24, 128, 128, 128);
  for (const Case& c : cases) {
    DotSettings s;
    c.change(s);
    EXPECT_EQ(!dotSettingsProblem(s).empty(), c.refused) << c.name;
    const DotScreen screen = DotScreen::make(picture, s, 1, 1);
    EXPECT_EQ(screen.ok(), !c.refused) << c.name;
    EXPECT_EQ(screen.message(), dotSettingsProblem(s)) << c.name;
  }
}

TEST(DotScreen, TooManyDotsAreRefusedNamingAWiderGrid) {
  // 4500 mm square at 2 mm without a turn: 2250 x 2250 cells; at 3 mm 1500 x 1500 stay within.
  const TDib picture = flatPicture(24, 128, 128, 128, 45, 45);
  const DotScreen refused = DotScreen::make(picture, settingsOf(DotShape::Circle, 2, 0), 100, 100);
  EXPECT_FALSE(refused.ok());
  EXPECT_EQ(refused.message(),
            "Das Punkteraster hätte 5062500 Punkte, mehr als 5 Millionen. Bitte eine Rasterweite von mindestens 3 mm "
            "wählen.");

  // Turned grids and the four screens of CMYK: the named Rasterweite is within, a millimetre less is not.
  struct Case {
    DotColourMode mode;
    double angle;
    int32_t pixels;
  };
  for (const Case& c : {Case{DotColourMode::Black, 45, 45}, Case{DotColourMode::Cmyk, 45, 23}}) {
    const TDib p = flatPicture(24, 255, 255, 255, c.pixels, c.pixels);
    const DotScreen no = DotScreen::make(p, settingsOf(DotShape::Square, 2, c.angle, c.mode), 100, 100);
    ASSERT_FALSE(no.ok());
    const std::string& text = no.message();
    const size_t at = text.find("mindestens ");
    ASSERT_NE(at, std::string::npos) << text;
    const double named = std::stod(text.substr(at + 11));
    EXPECT_TRUE(DotScreen::make(p, settingsOf(DotShape::Square, named, c.angle, c.mode), 100, 100).ok()) << text;
    EXPECT_FALSE(DotScreen::make(p, settingsOf(DotShape::Square, named - 1, c.angle, c.mode), 100, 100).ok()) << text;
  }
}

TEST(DotScreen, FlatPicturesGiveEqualDots) {
  const double grey = 127.0 / 255;  // darkness of 128
  struct Case {
    const char* name;
    int bits;
    uint8_t r, g, b;
    DotColourMode mode;
    double gamma, minDot;
    std::vector<double> coverage;  // per screen; 0: no dots
    std::vector<Color> colour;     // per screen
  };
  const std::vector<Case> cases = {
      {"grey, black", 24, 128, 128, 128, DotColourMode::Black, 1, 0, {grey}, {kBlack}},
      {"grey, gamma 2", 24, 128, 128, 128, DotColourMode::Black, 2, 0, {grey * grey}, {kBlack}},
      {"dark grey palette, chosen colour",
       8,
       64,
       64,
       64,
       DotColourMode::Chosen,
       1,
       0,
       {191.0 / 255},
       {rgbColor(0, 0, 255)}},
      {"red in 16 colours, picture colour",
       4,
       255,
       0,
       0,
       DotColourMode::Picture,
       1,
       0,
       {1 - 0.299},
       {rgbColor(255, 0, 0)}},
      {"black in 2 colours", 1, 0, 0, 0, DotColourMode::Black, 2, 0, {1}, {kBlack}},
      {"light grey below the smallest dot", 24, 230, 230, 230, DotColourMode::Black, 1, 0.2, {0}, {kBlack}},
      {"light grey above it", 24, 200, 200, 200, DotColourMode::Black, 1, 0.2, {55.0 / 255}, {kBlack}},
      {"white", 24, 255, 255, 255, DotColourMode::Black, 1, 0, {0}, {kBlack}},
      {"grey in CMYK: black only",
       24,
       128,
       128,
       128,
       DotColourMode::Cmyk,
       1,
       0,
       {0, 0, 0, grey},
       {rgbColor(0, 255, 255), rgbColor(255, 0, 255), rgbColor(255, 255, 0), kBlack}},
      {"orange in CMYK, 32 bits",
       32,
       200,
       100,
       50,
       DotColourMode::Cmyk,
       1,
       0,
       {0, 100.0 / 255, 150.0 / 255, 55.0 / 255},
       {rgbColor(0, 255, 255), rgbColor(255, 0, 255), rgbColor(255, 255, 0), kBlack}},
  };
  for (const Case& c : cases) {
    const TDib picture = flatPicture(c.bits, c.r, c.g, c.b);
    DotSettings s = settingsOf(DotShape::Circle, 2, 0, c.mode);
    s.colour = rgbColor(0, 0, 255);
    s.gamma = c.gamma;
    s.minDot = c.minDot;
    const DotScreen screen = DotScreen::make(picture, s, 1, 1);  // 16 x 12 mm: 8 x 6 cells at 0°
    ASSERT_TRUE(screen.ok()) << c.name << ": " << screen.message();
    ASSERT_EQ(screen.screenCount(), static_cast<int>(c.coverage.size())) << c.name;
    int64_t dots = 0;
    for (int k = 0; k < screen.screenCount(); ++k) {
      const std::vector<DotMark> marks = allMarks(screen, k);
      const double want = c.coverage[static_cast<size_t>(k)];
      if (want == 0) {
        EXPECT_TRUE(marks.empty()) << c.name << ", screen " << k;
        continue;
      }
      if (c.mode != DotColourMode::Cmyk) EXPECT_EQ(marks.size(), 48u) << c.name;
      EXPECT_FALSE(marks.empty()) << c.name << ", screen " << k;
      dots += static_cast<int64_t>(marks.size());
      for (const DotMark& m : marks) {
        EXPECT_NEAR(markExtent(m, 2), dotExtent(DotShape::Circle, want), 1e-5) << c.name << ", screen " << k;
        EXPECT_EQ(m.color, c.colour[static_cast<size_t>(k)]) << c.name << ", screen " << k;
      }
    }
    EXPECT_EQ(screen.dotCount(), dots) << c.name;
  }
}

TEST(DotScreen, CellsAverageThePixelsWithinThem) {
  struct Case {
    const char* name;
    TDib picture;
    double mmPerPixel, cellMm;
    DotColourMode mode;
    // Expected dots, each as its column of cells, its coverage and its colour.
    int32_t columns, rows;
    std::vector<double> coverage;  // per column of cells; 0: no dot
    std::vector<Color> colour;     // per column of cells with a dot
  };
  const Color pink = rgbColor(255, 128, 128);  // (255, 127.5, 127.5) rounded
  std::vector<Case> cases;
  // 20 x 10 pixels of a millimetre, black up to 10 mm; 4 mm cells: the third column holds two
  // black and two white pixels in each row.
  cases.push_back({"half black",
                   splitPicture(20, 10, 10),
                   1,
                   4,
                   DotColourMode::Black,
                   5,
                   3,
                   {1, 1, 0.5, 0, 0},
                   {kBlack, kBlack, kBlack}});
  cases.push_back({"half red, picture colour",
                   splitPicture(20, 10, 10, kRed),
                   1,
                   4,
                   DotColourMode::Picture,
                   5,
                   3,
                   {0.701, 0.701, 1 - (0.299 * 255 + 0.587 * 127.5 + 0.114 * 127.5) / 255, 0, 0},
                   {kRed, kRed, pink}});
  // Pixels of 10 mm under cells of 2 mm: each cell takes the pixel under its centre.
  cases.push_back({"cells smaller than pixels", splitPicture(4, 3, 2), 10, 2, DotColourMode::Black, 20, 15,
                   std::vector<double>(10, 1.0), std::vector<Color>(10, kBlack)});
  for (const Case& c : cases) {
    const DotScreen screen =
        DotScreen::make(c.picture, settingsOf(DotShape::Square, c.cellMm, 0, c.mode), c.mmPerPixel, c.mmPerPixel);
    ASSERT_TRUE(screen.ok()) << c.name;
    const std::vector<DotMark> marks = allMarks(screen, 0);
    int expected = 0;
    for (double v : c.coverage) expected += v > 0 ? c.rows : 0;
    EXPECT_EQ(static_cast<int>(marks.size()), expected) << c.name;
    for (const DotMark& m : marks) {
      const auto column = static_cast<size_t>(std::floor(m.cx / c.cellMm));
      ASSERT_LT(column, c.coverage.size()) << c.name;
      EXPECT_NEAR(markExtent(m, c.cellMm), dotExtent(DotShape::Square, c.coverage[column]), 1e-3) << c.name;
      EXPECT_EQ(m.color, c.colour[column]) << c.name << ", column " << column;
    }
  }
}

TEST(DotScreen, NeighbouringSheetsShareTheDotsOnTheirEdge) {
  // A 100 x 80 pixel picture over two sheets of 200 x 320 device pixels, side by side, drawn
  // through the fallback's whole pixels, must equal the picture drawn as one band.
  const TDib picture = flatPicture(24, 100, 100, 100, 100, 80);
  const double coverage = 155.0 / 255;
  Options options;
  options.OptGlueMargin = false;
  for (DotShape shape : kShapes) {
    for (double angle : {0.0, 30.0, 45.0}) {
      const DotScreen screen = DotScreen::make(picture, settingsOf(shape, 5, angle), 1, 1);
      ASSERT_TRUE(screen.ok());
      test::RasterDevice whole(440, 340), sheets(440, 340);
      const DeviceRect all{20, 10, 420, 330};
      drawDotBand(whole, screen, sheetBand(PosterLayout{100, 80, 1, 1, 1, 1}, options, {}, 0, 0, all, false), 100, 80);
      for (int col = 0; col < 2; ++col) {
        const DeviceRect rect{20 + 200 * col, 10, 220 + 200 * col, 330};
        const SheetBand band = sheetBand(PosterLayout{100, 80, 2, 1, 2, 1}, options, {}, col, 0, rect, false);
        drawDotBand(sheets, screen, band, 100, 80);
      }
      const std::string name = std::string(shapeName(shape)) + " at " + std::to_string(angle);
      EXPECT_EQ(whole.pixels(), sheets.pixels()) << name;
      // Ink within the picture only, and as much as the grey asks for (away from its edges; whole
      // pixels round the sides of upright squares, so those are left out).
      EXPECT_EQ(whole.countNot(kWhite, 0, 0, 440, 340), whole.countNot(kWhite, 20, 10, 420, 330)) << name;
      const double inner = static_cast<double>(whole.countNot(kWhite, 60, 50, 380, 290)) / (320 * 240);
      if (angle != 0) EXPECT_NEAR(inner, coverage, 0.03) << name;
    }
  }
}

TEST(DotScreen, MarksForAClipAreThoseThatTouchIt) {
  const TDib picture = flatPicture(24, 60, 60, 60, 100, 80);
  const MmToDevice map{4, 4, 7, 3};
  for (DotShape shape : kShapes) {
    const DotScreen screen = DotScreen::make(picture, settingsOf(shape, 5, 30), 1, 1);
    std::vector<DotMark> every, left, right;
    screen.marksTouching(0, map, DeviceRect{-10000, -10000, 10000, 10000}, every);
    screen.marksTouching(0, map, DeviceRect{0, 0, 200, 330}, left);
    screen.marksTouching(0, map, DeviceRect{200, 0, 420, 330}, right);
    const auto has = [](const std::vector<DotMark>& v, const DotMark& m) {
      return std::any_of(v.begin(), v.end(), [&](const DotMark& o) { return o.cx == m.cx && o.cy == m.cy; });
    };
    int onEdge = 0;
    for (const DotMark& m : every) {
      // Reach of the shape from its centre: every unit shape lies within the unit square.
      const double ex = std::abs(m.m11) + std::abs(m.m12), ey = std::abs(m.m21) + std::abs(m.m22);
      const bool rowsIn = m.cy - ey > 2 && m.cy + ey < 328;
      if (rowsIn && m.cx - ex > 2 && m.cx + ex < 198) EXPECT_TRUE(has(left, m) && !has(right, m)) << shapeName(shape);
      if (rowsIn && m.cx - ex < 199 && m.cx + ex > 201) {
        ++onEdge;
        EXPECT_TRUE(has(left, m) && has(right, m)) << shapeName(shape);
      }
      if (m.cx - ex > 202 && m.cx + ex < 418 && rowsIn) EXPECT_TRUE(has(right, m) && !has(left, m)) << shapeName(shape);
    }
    EXPECT_GT(onEdge, 10) << shapeName(shape);
  }
}

TEST(DotScreen, PreviewInksAsMuchAsTheGreyAsks) {
  for (DotShape shape : kShapes) {
    for (uint8_t grey : {230, 160, 100, 40}) {
      const TDib picture = flatPicture(24, grey, grey, grey, 100, 70);
      const DotScreen screen = DotScreen::make(picture, settingsOf(shape, 2, 45), 1, 1);
      // 50 x 35 cells of 2 mm on 250 x 175 pixels: 5 pixels a cell, as a preview shows them.
      const TDib shown = renderDotPicture(screen, 250, 175);
      ASSERT_EQ(DibWidth(shown), 250);
      double ink = 0;
      int n = 0;
      for (int32_t y = 15; y < 160; ++y) {
        const uint8_t* p = shown.row(y);
        for (int32_t x = 15; x < 235; ++x, ++n) ink += 1 - p[3 * x + 1] / 255.0;
      }
      EXPECT_NEAR(ink / n, (255 - grey) / 255.0, 0.03) << shapeName(shape) << ", grey " << int{grey};
    }
  }
  // CMYK inks multiply: orange (200, 100, 50) is magenta 100/255, yellow 150/255 and black
  // 55/255; screens at different angles overlap at random, so each channel keeps the product of
  // what each ink leaves of it: red 255 * 200/255, green 155/255 of that, blue 105/255 of it.
  const TDib orange = flatPicture(24, 200, 100, 50, 100, 70);
  const TDib shown = renderDotPicture(
      DotScreen::make(orange, settingsOf(DotShape::Circle, 2, 0, DotColourMode::Cmyk), 1, 1), 250, 175);
  const double want[3] = {200, 200 * 155 / 255.0, 200 * 105 / 255.0};
  for (int c = 0; c < 3; ++c) {
    double sum = 0;
    int n = 0;
    for (int32_t y = 15; y < 160; ++y)
      for (int32_t x = 15; x < 235; ++x, ++n) sum += shown.row(y)[3 * x + 2 - c];
    EXPECT_NEAR(sum / n, want[c], 255 * 0.03) << "channel " << c;
  }
}
