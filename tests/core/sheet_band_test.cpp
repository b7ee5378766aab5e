#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "layout/PreviewGrid.h"
#include "print/PosterPrintJob.h"
#include "print/SheetBand.h"
#include "support/FakePrintService.h"
#include "support/PosterPictures.h"
#include "support/RasterDevice.h"

using namespace tessaro;

namespace {

// The worked poster: a 1000 x 800 picture over 2.5 x 1.6 sheets, that is 3 x 2 sheets.
PosterLayout workedLayout() { return PosterLayout{1000, 800, 3, 2, 2.5, 1.6}; }

Options opts(bool center, bool glueMargin, bool printGlue, bool noEdgeGlue) {
  Options o;
  o.OptCenter = center;
  o.OptGlueMargin = glueMargin;
  o.OptPrintGlue = printGlue;
  o.OptNoEdgeGlue = noEdgeGlue;
  return o;
}

struct BandCase {
  std::string name;
  PosterLayout layout;
  Options options;
  GlueMargins glue;
  int col, row;
  DeviceRect rect;
  bool extend;
  bool spezial;
  // Expected: srcLeft, srcTop, BW, BH and the device rectangle after run-on.
  int32_t srcLeft, srcTop, bw, bh;
  DeviceRect dest;
};

}  // namespace

TEST(SheetBand, Table) {
  const DeviceRect page{0, 0, 4522, 6000};
  const DeviceRect cell{10, 20, 110, 170};
  const std::vector<BandCase> cases = {
      // Centred: the grid of 1200 x 1000 pixels overhangs the picture by 100 on each side.
      {"centred (0,0)", workedLayout(), opts(true, true, false, false), {5, 5}, 0, 0, page, true, false,
       -100, -100, 400, 500, page},
      {"centred (1,0)", workedLayout(), opts(true, true, false, false), {5, 5}, 1, 0, page, true, false,
       300, -100, 400, 500, page},
      {"centred (2,1)", workedLayout(), opts(true, true, false, false), {5, 5}, 2, 1, page, true, false,
       700, 400, 400, 500, page},
      // Printing on the glue strip: 400 * 100 / 95 = 421.05, 4522 * 100 / 95 = 4760.
      {"run-on over the glue", workedLayout(), opts(true, true, true, false), {5, 5}, 0, 0, page, true, false,
       -100, -100, 421, 526, DeviceRect{0, 0, 4760, 6316}},
      {"run-on keeps the origin", workedLayout(), opts(true, true, true, false), {5, 10}, 1, 1, cell, true, false,
       300, 400, 421, 556, DeviceRect{10, 20, 115, 187}},
      {"no run-on unless asked", workedLayout(), opts(true, true, true, false), {5, 5}, 0, 0, page, false, false,
       -100, -100, 400, 500, page},
      {"no run-on without printing the glue", workedLayout(), opts(true, true, false, false), {5, 5}, 0, 0, page,
       true, false, -100, -100, 400, 500, page},
      // Glue margin off: g = 0, the run-on factor is 1.
      {"run-on without glue margin", workedLayout(), opts(true, false, true, false), {5, 5}, 0, 0, page, true,
       false, -100, -100, 400, 500, page},
      {"1 x 1 is the whole picture", PosterLayout{640, 480, 1, 1, 1.0, 1.0}, opts(true, true, false, false),
       {5, 5}, 0, 0, cell, true, false, 0, 0, 640, 480, cell},
      // 2.5 sheets wide, no centring: column 2 starts at 2 * BW, its right half is blank.
      {"2.5 wide, not centred", PosterLayout{1000, 400, 3, 1, 2.5, 1.0}, opts(false, true, false, false), {5, 5},
       2, 0, cell, true, false, 800, 0, 400, 400, cell},
      {"2.5 wide, centred", PosterLayout{1000, 400, 3, 1, 2.5, 1.0}, opts(true, true, false, false), {5, 5}, 2, 0,
       cell, true, false, 700, 0, 400, 400, cell},
      // W' = Round((100 - 5/3) * 1000 / 100) = 983, GX = Round(983 * 3 / 2.5) = 1180, BW = 393;
      // H' = Round((100 - 5/2) * 800 / 100) = 780, GY = Round(780 * 2 / 1.6) = 975, BH = 487.
      {"spezial inner sheet", workedLayout(), opts(false, true, false, true), {5, 5}, 0, 0, page, true, true, 0, 0,
       393, 487, page},
      {"spezial last column grows", workedLayout(), opts(false, true, false, true), {5, 5}, 2, 0, page, true, true,
       786, 0, 414, 487, DeviceRect{0, 0, 4760, 6000}},
      {"spezial last row grows", workedLayout(), opts(false, true, false, true), {5, 5}, 1, 1, page, true, true,
       393, 487, 393, 513, DeviceRect{0, 0, 4522, 6316}},
      {"spezial corner, centred", workedLayout(), opts(true, true, false, true), {5, 5}, 2, 1, page, true, true,
       786 - 98, 487 - 97, 414, 513, DeviceRect{0, 0, 4760, 6316}},
      {"spezial with printing on the glue", workedLayout(), opts(false, true, true, true), {5, 5}, 0, 0, page, true,
       true, 0, 0, 414, 513, DeviceRect{0, 0, 4760, 6316}},
  };
  for (const BandCase& c : cases) {
    SCOPED_TRACE(c.name);
    const SheetBand b = c.spezial ? spezialPrintPageBand(c.layout, c.options, c.glue, c.col, c.row, c.rect, c.extend)
                                  : printPageBand(c.layout, c.options, c.glue, c.col, c.row, c.rect, c.extend);
    ASSERT_TRUE(b.valid);
    EXPECT_EQ(b.srcLeft, c.srcLeft);
    EXPECT_EQ(b.srcTop, c.srcTop);
    EXPECT_EQ(b.srcWidth, c.bw);
    EXPECT_EQ(b.srcHeight, c.bh);
    EXPECT_EQ(b.dest, c.dest);
  }
}

TEST(SheetBand, ChoosesSpezialOnlyWithGlueMarginAndNoEdgeGlue) {
  const PosterLayout l = workedLayout();
  const DeviceRect r{0, 0, 400, 500};
  for (bool margin : {false, true}) {
    for (bool noEdge : {false, true}) {
      const Options o = opts(false, margin, false, noEdge);
      const SheetBand expected = margin && noEdge ? spezialPrintPageBand(l, o, {5, 5}, 2, 1, r, false)
                                                  : printPageBand(l, o, {5, 5}, 2, 1, r, false);
      EXPECT_EQ(sheetBand(l, o, {5, 5}, 2, 1, r, false), expected) << margin << noEdge;
    }
  }
  // The two routines do differ on the last sheet.
  const Options o = opts(false, true, false, true);
  EXPECT_NE(spezialPrintPageBand(l, o, {5, 5}, 2, 1, r, false), printPageBand(l, o, {5, 5}, 2, 1, r, false));
}

TEST(SheetBand, NeighbouringBandsTileTheGrid) {
  // Without run-on the bands of a row meet edge to edge, whatever the poster size.
  for (double px : {1.0, 1.3, 2.5, 3.0, 7.9}) {
    PosterLayout l{997, 601, static_cast<int32_t>(std::ceil(px)), 2, px, 1.5};
    for (bool center : {false, true}) {
      const Options o = opts(center, true, false, false);
      for (int col = 0; col + 1 < l.SheetsX; ++col) {
        const SheetBand a = printPageBand(l, o, {5, 5}, col, 0, {0, 0, 10, 10}, true);
        const SheetBand b = printPageBand(l, o, {5, 5}, col + 1, 0, {0, 0, 10, 10}, true);
        EXPECT_EQ(a.srcLeft + a.srcWidth, b.srcLeft) << px << " " << col;
      }
      // The grid covers the whole picture.
      const SheetBand first = printPageBand(l, o, {5, 5}, 0, 0, {0, 0, 10, 10}, true);
      const SheetBand last = printPageBand(l, o, {5, 5}, l.SheetsX - 1, 0, {0, 0, 10, 10}, true);
      EXPECT_LE(first.srcLeft, 0) << px;
      EXPECT_GE(last.srcLeft + last.srcWidth, l.W - 2) << px;
    }
  }
}

TEST(SheetBand, UnusableLayoutsGiveNoBand) {
  const Options o = opts(true, true, true, true);
  for (const PosterLayout& l : {PosterLayout{100, 100, 0, 1, 1.0, 1.0}, PosterLayout{100, 100, 1, 0, 1.0, 1.0},
                                PosterLayout{100, 100, 1, 1, 0.0, 1.0}, PosterLayout{100, 100, 1, 1, 1.0, -2.0},
                                PosterLayout{100, 100, 101, 1, 100.5, 1.0}}) {
    EXPECT_FALSE(printPageBand(l, o, {5, 5}, 0, 0, {0, 0, 10, 10}, true).valid);
    EXPECT_FALSE(spezialPrintPageBand(l, o, {5, 5}, 0, 0, {0, 0, 10, 10}, true).valid);
  }
}

TEST(SheetBand, PictureAreaOfThePage) {
  Options o;
  o.OptGlueMargin = true;
  // Round(95 * 4761 / 100) = Round(4522.95); Round(90 * 6985 / 100) = Round(6286.5) -> even 6286.
  EXPECT_EQ(areaWidth(4761, o, {5, 10}), 4523);
  EXPECT_EQ(areaHeight(6985, o, {5, 10}), 6286);
  o.OptGlueMargin = false;
  EXPECT_EQ(areaWidth(4761, o, {5, 10}), 4761);
  EXPECT_EQ(areaHeight(6985, o, {5, 10}), 6985);
  // Percentages beyond the edits' range are held at 10.
  o.OptGlueMargin = true;
  EXPECT_EQ(areaWidth(1000, o, {100, 0}), 900);
  EXPECT_EQ(areaWidth(1000, o, {-5, 0}), 1000);
}

TEST(SheetBand, DrawsTheVisiblePartOfTheBand) {
  // Sheet (0, 0) of the worked poster at 1:1: the band starts 100 pixels left of and above the
  // picture, so the picture fills the right three quarters and the lower four fifths.
  const TDib pic = test::blockPicture(1000, 800, 10, 8);
  PosterState poster;
  poster.SheetsX = 3;
  poster.SheetsY = 2;
  poster.PosterWidth = 2.5;
  poster.PosterHeight = 1.6;
  test::RasterDevice page(400, 500, kWhite);
  PrintPage(page, pic, poster, opts(true, true, false, false), {5, 5}, 0, 0, {0, 0, 400, 500}, true, true);
  EXPECT_EQ(page.countNot(kWhite, 0, 0, 100, 500), 0);
  EXPECT_EQ(page.countNot(kWhite, 0, 0, 400, 100), 0);
  for (auto [x, y] : std::vector<std::pair<int32_t, int32_t>>{{100, 100}, {199, 250}, {250, 199}, {399, 499}}) {
    const auto block = test::blockOf(page.pixel(x, y));
    ASSERT_TRUE(block.has_value()) << x << "," << y;
    EXPECT_EQ(block->first, (x - 100) / 100);
    EXPECT_EQ(block->second, (y - 100) / 100);
  }

  // The last sheet of the 1 x 1 poster fills the area with the whole picture, shrunk.
  poster = PosterState{};
  test::RasterDevice small(100, 80, kWhite);
  SpezialPrintPage(small, pic, poster, opts(false, true, false, true), {0, 0}, 0, 0, {0, 0, 100, 80}, false, true);
  EXPECT_EQ(small.countOf(kWhite, 0, 0, 100, 80), 0);
  EXPECT_EQ(test::blockOf(small.pixel(99, 79)), std::make_pair(9, 7));
}

TEST(SheetBand, TinyPicturesKeepTheirShapeOnEverySheet) {
  // Pictures of a few pixels over many sheets: every band is a few pixels or a fraction of one.
  // Each device pixel must show the picture pixel that the continuous mapping of the picture
  // onto the poster puts there: the picture spans px x py sheets (centred: starting (sheets -
  // px) / 2 sheets in). Without glue on the poster's edge the picture is spread over the sheets
  // less the glue share of one strip, (100 - glue / sheets) % of it. Pixels within one device
  // pixel of a picture pixel's border are not judged.
  struct Case {
    std::string name;
    int32_t w, h;   // picture size, one colour per pixel
    double px, py;  // poster size in sheets
    bool center;
    bool glueStrips;  // glue margin on, none at the poster's edge
  };
  std::vector<Case> cases = {
      {"1 x 1", 1, 1, 3.0, 3.0, false, false},
      {"2 x 2", 2, 2, 3.0, 3.0, false, false},
      {"2 x 2 with glue strips", 2, 2, 3.0, 3.0, false, true},
      {"1 x 1 centred over 2.5 sheets", 1, 1, 2.5, 2.5, true, false},
  };
  // Every picture up to 8 x 8, across 1 to 10 whole or fractional sheets, its height in sheets
  // following from its shape (the pages are square).
  for (int32_t w = 1; w <= 8; ++w) {
    for (int32_t h = 1; h <= 8; ++h) {
      for (int32_t n = 1; n <= 10; ++n) {
        for (const double px : {static_cast<double>(n), n - 0.35}) {
          const double py = px * h / w;
          if (py > 10) continue;
          const bool center = (w + h + n) % 2 == 0, glueStrips = (w * h + n) % 3 != 1;
          cases.push_back({std::to_string(w) + " x " + std::to_string(h) + " over " + std::to_string(px) + " x " +
                               std::to_string(py) + (center ? ", centred" : "") + (glueStrips ? ", glue strips" : ""),
                           w, h, px, py, center, glueStrips});
        }
      }
    }
  }
  const GlueMargins glue{5, 5};
  for (const Case& c : cases) {
    const TDib pic = test::blockPicture(c.w, c.h, c.w, c.h);
    PosterState poster = test::wholeSheets(CeilSheets(c.px), CeilSheets(c.py));
    poster.PosterWidth = c.px;
    poster.PosterHeight = c.py;
    Options o;
    o.OptCutLines = o.OptGlueLines = o.OptEdgeHints = false;
    o.OptGlueMargin = o.OptNoEdgeGlue = c.glueStrips;
    o.OptCenter = c.center;
    // Picture pixels per sheet, and where the picture starts, in sheets, along one axis.
    const auto perSheet = [&](int32_t pixels, int32_t sheets, double size) {
      return pixels * (c.glueStrips ? 100 - glue.gx / static_cast<double>(sheets) : 100) / 100 / size;
    };
    const double sx = perSheet(c.w, poster.SheetsX, c.px), sy = perSheet(c.h, poster.SheetsY, c.py);
    const double ox = c.center ? (poster.SheetsX - c.px) / 2 : 0, oy = c.center ? (poster.SheetsY - c.py) / 2 : 0;
    // Checks the sheet drawn into the area of w x h at (x0, y0) of the device.
    const auto checkSheet = [&](const test::RasterDevice& dc, int col, int row, int32_t x0, int32_t y0, int32_t w,
                                int32_t h) {
      int wrong = 0;
      for (int32_t j = 0; j < h && wrong < 3; ++j) {
        const double v = (row + (j + 0.5) / h - oy) * sy;
        if (std::abs(v - std::round(v)) < sy / h) continue;
        for (int32_t i = 0; i < w && wrong < 3; ++i) {
          const double u = (col + (i + 0.5) / w - ox) * sx;
          if (std::abs(u - std::round(u)) < sx / w) continue;
          const bool inside = u >= 0 && u < c.w && v >= 0 && v < c.h;
          const Color want = inside ? test::blockColor(static_cast<int32_t>(u), static_cast<int32_t>(v)) : kWhite;
          if (dc.pixel(x0 + i, y0 + j) == want) continue;
          ++wrong;
          ADD_FAILURE() << "sheet " << col << "," << row << " pixel " << i << "," << j << " should show "
                        << (inside ? "picture pixel " + std::to_string(static_cast<int32_t>(u)) + "," +
                                         std::to_string(static_cast<int32_t>(v))
                                   : std::string("white"));
        }
      }
    };

    {
      SCOPED_TRACE(c.name + ", preview");
      test::RasterDevice box(300, 300, kWhite);
      const PreviewBox geometry{300, 300, 1.0, 300, 60, 60};  // tall posters fit the box's height
      paintPreview(box, pic, geometry, poster, o, glue, SheetGrid{});
      const PreviewCells cells = previewCells(geometry, poster, o, glue);
      ASSERT_TRUE(cells.valid);
      for (int col = 0; col < poster.SheetsX; ++col) {
        for (int row = 0; row < poster.SheetsY; ++row) {
          const CellRect r = sheetCell(cells, poster, o, col, row);
          checkSheet(box, col, row, r.x0, r.y0, cells.innerW, cells.innerH);
        }
      }
    }
    {
      SCOPED_TRACE(c.name + ", printed");
      PageMetrics m;
      m.physicalWidth = m.physicalHeight = m.pageWidth = m.pageHeight = 60;
      m.dpiX = m.dpiY = 72;
      test::FakePrintService printer(m);
      ASSERT_TRUE(printPoster(printer, pic, poster, o, glue, SheetGrid{}, {}).ok());
      ASSERT_EQ(printer.pageCount(), static_cast<size_t>(poster.SheetsX * poster.SheetsY));
      for (int row = 0; row < poster.SheetsY; ++row) {
        for (int col = 0; col < poster.SheetsX; ++col) {
          checkSheet(*printer.rasterPage(row * poster.SheetsX + col), col, row, 0, 0, areaWidth(60, o, glue),
                     areaHeight(60, o, glue));
        }
      }
    }
  }
}

TEST(SheetBand, XitOutDrawsTwoRedDiagonals) {
  test::RasterDevice dc(50, 50, kWhite);
  XitOut(dc, 10, 10, 30, 30);
  EXPECT_EQ(dc.penColor(), kRed);
  EXPECT_EQ(dc.penStyle(), PenStyle::Solid);
  EXPECT_EQ(dc.count("line"), 2);
  for (int32_t i = 10; i < 30; ++i) {
    EXPECT_EQ(dc.pixel(i, i), kRed);
    EXPECT_EQ(dc.pixel(40 - i, i), kRed);
  }
}
