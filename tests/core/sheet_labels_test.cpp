// Sheet labels and the assembly page: where they go on the page and what they leave alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "print/CheckRuler.h"
#include "print/OverviewPage.h"
#include "print/PaperSizes.h"
#include "print/PosterPrintJob.h"
#include "print/SheetLabels.h"
#include "support/FakePrintService.h"
#include "support/PosterPictures.h"
#include "support/RasterDevice.h"

using namespace tessaro;
using tessaro::test::FakePrintService;

namespace {

TEST(SheetLabels, NameTheRowByLettersAndTheColumnByNumber) {
  struct Case {
    int col, row, nx, ny;
    const char* shortText;
    const char* longText;
  } const cases[] = {
      {0, 0, 1, 1, "A1", "A1 – Zeile 1, Spalte 1 – Poster 1 × 1 Blätter"},
      {2, 1, 4, 5, "B3", "B3 – Zeile 2, Spalte 3 – Poster 4 × 5 Blätter"},
      {9, 25, 10, 30, "Z10", "Z10 – Zeile 26, Spalte 10 – Poster 10 × 30 Blätter"},
      {0, 26, 1, 27, "AA1", "AA1 – Zeile 27, Spalte 1 – Poster 1 × 27 Blätter"},
      {99, 99, 100, 100, "CV100", "CV100 – Zeile 100, Spalte 100 – Poster 100 × 100 Blätter"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sheetLabel(c.col, c.row), c.shortText);
    EXPECT_EQ(sheetLabelLong(c.col, c.row, c.nx, c.ny), c.longText);
  }
}

// A plain picture on exactly nx x ny sheets, the guide lines off: whatever the label, and then the
// check ruler beside it, change must lie off the part of the page that shows on the poster, and,
// unless the picture runs on over the strips, on white paper.
TEST(SheetLabels, SitOnGlueStripPaperOnly) {
  enum Variant { Default, EdgeGlue, PrintGlue, NoStrips };
  struct Case {
    const char* paper;
    int n;
    bool centre;
    Variant variant;
    int labelled;  // sheets with room for a label
    int ruled;     // sheets with a bottom glue strip: the bottom row has none unless the edge glues
  } const cases[] = {
      {"A4", 1, false, Default, 0, 0},  // the only sheet is the edge sheet and uses the whole page
      {"A4", 1, true, EdgeGlue, 1, 1},          {"Letter", 1, false, EdgeGlue, 1, 1},
      {"A4", 10, false, Default, 99, 90},  // all but the bottom-right sheet
      {"Letter", 10, true, Default, 99, 90},    {"A4", 10, true, EdgeGlue, 100, 100},
      {"Letter", 10, false, PrintGlue, 99, 90}, {"A4", 10, false, NoStrips, 0, 0},
  };
  // Grey, so that black letters show on a strip the picture runs on over.
  TDib grey = newdib(200, 280, 24, nullptr, 0);
  for (int32_t y = 0; y < 280; ++y)
    for (int32_t x = 0; x < 200; ++x) test::setColor(grey, x, y, rgbColor(90, 90, 90));
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.paper) + " " + std::to_string(c.n) + " variant " + std::to_string(c.variant));
    Options o;
    o.OptCutLines = o.OptGlueLines = false;
    o.OptCenter = c.centre;
    o.OptNoEdgeGlue = c.variant != EdgeGlue;
    o.OptPrintGlue = c.variant == PrintGlue;
    o.OptGlueMargin = c.variant != NoStrips;
    const PageMetrics m = paperMetrics(*findPaper(c.paper), 30);
    const PosterState poster = test::wholeSheets(c.n, c.n);
    const GlueMargins glue;
    FakePrintService plain(m), labelled(m), ruled(m);
    PosterPrintRequest request;
    ASSERT_TRUE(printPoster(plain, grey, poster, o, glue, SheetGrid{}, request).ok());
    request.sheetLabels = true;
    ASSERT_TRUE(printPoster(labelled, grey, poster, o, glue, SheetGrid{}, request).ok());
    request.sheetRulers = true;
    ASSERT_TRUE(printPoster(ruled, grey, poster, o, glue, SheetGrid{}, request).ok());
    ASSERT_EQ(plain.pageCount(), labelled.pageCount());
    ASSERT_EQ(plain.pageCount(), ruled.pageCount());

    const int32_t aw = areaWidth(m.pageWidth, o, glue), ah = areaHeight(m.pageHeight, o, glue);
    const bool edgeGrows = o.OptGlueMargin && o.OptNoEdgeGlue;
    // Pages on which `after` differs from `before`.
    auto pagesChanged = [&](FakePrintService& before, FakePrintService& after) {
      int pages = 0;
      for (size_t i = 0; i < plain.pageCount(); ++i) {
        const int col = static_cast<int>(i) % c.n, row = static_cast<int>(i) / c.n;
        // What shows on the glued poster: the picture area, on edge sheets without a strip the page.
        const int32_t shownRight = edgeGrows && col == c.n - 1 ? m.pageWidth : aw;
        const int32_t shownBottom = edgeGrows && row == c.n - 1 ? m.pageHeight : ah;
        const test::RasterDevice& a = *before.rasterPage(i);
        const test::RasterDevice& b = *after.rasterPage(i);
        int changed = 0;
        for (int32_t y = 0; y < m.pageHeight; ++y)
          for (int32_t x = 0; x < m.pageWidth; ++x) {
            if (a.pixel(x, y) == b.pixel(x, y)) continue;
            ++changed;
            EXPECT_FALSE(x < shownRight && y < shownBottom) << "drawn over the picture at " << x << "," << y;
            // Only blank strip paper: no note, no label, no picture run on over the strip.
            if (c.variant != PrintGlue) EXPECT_EQ(a.pixel(x, y), kWhite) << x << "," << y;
            if (::testing::Test::HasFailure()) return -1;
          }
        if (changed > 0) ++pages;
      }
      return pages;
    };
    EXPECT_EQ(pagesChanged(plain, labelled), c.labelled);
    EXPECT_EQ(pagesChanged(labelled, ruled), c.ruled);
  }
}

TEST(CheckRuler, BarIsTrueToLengthAtEveryResolution) {
  // Hand-computed: 100 mm is 1181.1, 2362.2 and 4724.4 px at 300, 600 and 1200 dpi; 4 inches
  // are 4 x dpi. The bar runs from its first tick to its last; the row above the base line
  // crosses every tick.
  struct Case {
    RulerUnit unit;
    int32_t length, dpiX, dpiY, pixels, ticks;
  } const cases[] = {
      {RulerUnit::Millimetre, 100, 300, 300, 1181, 101},
      {RulerUnit::Millimetre, 100, 600, 600, 2362, 101},
      {RulerUnit::Millimetre, 100, 1200, 1200, 4724, 101},
      {RulerUnit::Millimetre, 100, 600, 300, 2362, 101},
      {RulerUnit::Inch, 4, 600, 300, 2400, 33},
      {RulerUnit::Millimetre, 50, 300, 600, 591, 51},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpiX);
    const CheckRuler ruler{c.unit, c.length, ""};
    test::RasterDevice dc(c.pixels + 20, rulerHeight(ruler, c.dpiY) + 20);
    drawCheckRuler(dc, 10, 10, ruler, c.dpiX, c.dpiY);
    const int32_t base = 10 + rulerHeight(ruler, c.dpiY) - 1;
    int32_t first = -1, last = -1, ticks = 0;
    for (int32_t x = 0; x < dc.width(); ++x) {
      if (dc.pixel(x, base) == kBlack) {
        if (first < 0) first = x;
        last = x;
      }
      ticks += dc.pixel(x, base - 1) == kBlack;
    }
    EXPECT_EQ(last - first, c.pixels);
    EXPECT_NEAR(last - first, c.length * (c.unit == RulerUnit::Inch ? 25.4 : 1.0) * c.dpiX / 25.4, 0.5);
    EXPECT_EQ(ticks, c.ticks);
    // The longest tick (every 10 mm or inch) is 4 mm high in the vertical resolution.
    int32_t high = 0;
    while (dc.pixel(first, base - high) == kBlack) ++high;
    EXPECT_NEAR(high, 4.0 * c.dpiY / 25.4, 1.5);
  }
}

TEST(OverviewPage, GridFollowsThePageAndTheGlueStrips) {
  // Page 600 x 800: margin 30, text 13 px on a pitch of 19, five lines and half a pitch: the grid
  // starts at y 134 in a room of 540 x 636 with gaps of 3.
  struct Case {
    int nx, ny;
    int32_t cellW, cellH, innerW, innerH, gridLeft;
  } const cases[] = {
      // Width decides: (540 - 2 * 3) / 3 = 178 wide, 178 * 4 / 3 = 237 high; 95 % is 169 x 225.
      {3, 2, 178, 237, 169, 225, 30},
      // Height decides: (636 - 9 * 3) / 10 = 60 high, 45 wide; 95 % is 43 x 57; centred.
      {10, 10, 45, 60, 43, 57, 61},
  };
  for (const Case& c : cases) {
    const OverviewLayout l = overviewLayout(600, 800, test::wholeSheets(c.nx, c.ny), Options{}, GlueMargins{});
    ASSERT_TRUE(l.valid);
    EXPECT_EQ(l.cellW, c.cellW);
    EXPECT_EQ(l.cellH, c.cellH);
    EXPECT_EQ(l.innerW, c.innerW);
    EXPECT_EQ(l.innerH, c.innerH);
    EXPECT_EQ(l.gridLeft, c.gridLeft);
    EXPECT_EQ(l.gridTop, 134);
    const DeviceRect last = overviewSheet(l, c.nx - 1, c.ny - 1);
    EXPECT_EQ(last.left, c.gridLeft + (c.nx - 1) * (c.cellW + 3));
    EXPECT_LE(last.right, 600 - 30);
    EXPECT_LE(last.bottom, 800 - 30);
  }
}

TEST(OverviewPage, ComesFirstShadesStripsAndCrossesSkippedSheets) {
  const PageMetrics m = test::smallPage(600, 800);
  const PosterState poster = test::wholeSheets(3, 2);
  const TDib picture = test::blockPicture(300, 200, 3, 2);
  SheetGrid off;
  off.toggle(1, 0);
  FakePrintService printer(m);
  PosterPrintRequest request;
  request.skipExcluded = true;
  request.overviewPage = true;
  std::vector<int32_t> maxima;
  const PosterPrintResult r = printPoster(printer, picture, poster, Options{}, GlueMargins{}, off, request,
                                          [&](int32_t, int32_t max) { maxima.push_back(max); });
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.pagesPrinted, 6);  // the overview and five sheets
  ASSERT_EQ(printer.pageCount(), 6u);
  EXPECT_EQ(maxima.back(), 7);  // six sheets and the overview

  // Cells as in the layout test: 178 x 237 from (30, 134), picture 169 x 225, pitch 181 x 240.
  const test::RasterDevice& page = *printer.rasterPage(0);
  const Color shade = rgbColor(200, 200, 200);
  EXPECT_EQ(page.pixel(30 + 173, 134 + 100), shade);   // right strip of A1
  EXPECT_EQ(page.pixel(30 + 100, 134 + 230), shade);   // bottom strip of A1
  EXPECT_NE(page.pixel(392 + 173, 374 + 100), shade);  // B3 has no strip on the poster's edge
  EXPECT_EQ(test::blockOf(page.pixel(30 + 20, 134 + 20)), std::make_pair(0, 0));
  EXPECT_EQ(test::blockOf(page.pixel(392 + 20, 374 + 200)), std::make_pair(2, 1));
  // The skipped A2 (from x 211) is crossed from corner to corner; no other sheet is.
  auto redIn = [&](int32_t x0, int32_t y0) {
    int n = 0;
    for (int32_t y = y0; y < y0 + 237; ++y)
      for (int32_t x = x0; x < x0 + 178; ++x) n += page.pixel(x, y) == kRed;
    return n;
  };
  EXPECT_GE(redIn(211, 134), 2 * 237 - 2);
  EXPECT_EQ(redIn(30, 134), 0);
}

}  // namespace
