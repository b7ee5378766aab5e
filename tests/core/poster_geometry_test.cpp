#include <gtest/gtest.h>

#include <cmath>

#include <charconv>
#include <string>

#include <cmath>
#include <iostream>

#include "layout/SheetEdits.h"
#include "print/PaperSizes.h"
#include "print/SheetBand.h"

using namespace tessaro;

namespace {

// The two sheet edits with their text rule, typed into with numbers as a person writes them.
struct FakeEdits : SheetEdits {
  FakeEdits() : SheetEdits({}) {}
  void typeBreit(double v) { SheetEdits::typeBreit(written(v)); }
  void typeHoch(double v) { SheetEdits::typeHoch(written(v)); }
  static std::string written(double v) {
    char buf[64];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
  }
};

Options plainOptions() {
  Options o;
  o.OptGlueMargin = false;
  o.OptNoEdgeGlue = false;
  o.OptKeepAspect = true;
  return o;
}

}  // namespace

TEST(PosterGeometry, AspectKeptAcrossWidthAndHeight) {
  FakeEdits e;
  e.inputs() = {4000, 6000, 400, 300, {5, 5}, plainOptions()};
  e.typeBreit(2.0);
  EXPECT_DOUBLE_EQ(e.state().PosterHeight, 1.0);
  EXPECT_EQ(e.state().SheetsX, 2);
  EXPECT_EQ(e.state().SheetsY, 1);
  EXPECT_TRUE(e.state().WidthLeads);
  // The height edit did not change, so its handler was not raised.
  EXPECT_EQ(e.hochRuns, 0);
  e.typeBreit(3.0);
  // Now it changed to 1.5: its handler was raised but returned at once under the guard, so the
  // width still leads and the width was not recomputed from the height.
  EXPECT_EQ(e.hochRuns, 1);
  EXPECT_DOUBLE_EQ(static_cast<double>(e.hochValue()), 1.5);
  EXPECT_TRUE(e.state().WidthLeads);
  EXPECT_DOUBLE_EQ(e.state().PosterWidth, 3.0);
  EXPECT_FALSE(e.state().SyncingEdits);
  e.typeHoch(2.0);
  EXPECT_EQ(e.breitRuns, 3);
  EXPECT_FALSE(e.state().WidthLeads);
  EXPECT_DOUBLE_EQ(e.state().PosterWidth, 4.0);
  EXPECT_EQ(e.state().SheetsX, 4);
  EXPECT_DOUBLE_EQ(static_cast<double>(e.breitValue()), 4.0);
}

TEST(PosterGeometry, SheetCountsAreCeilings) {
  struct Row {
    double width;
    int columns;
  } rows[] = {{2.5, 3}, {3.0, 3}, {0.1, 1}, {1.00000001, 2}, {99.5, 100}};
  for (const Row& r : rows) {
    FakeEdits e;
    e.inputs() = {4000, 6000, 400, 300, {5, 5}, plainOptions()};
    e.typeBreit(r.width);
    EXPECT_EQ(e.state().SheetsX, r.columns) << r.width;
  }
}

TEST(PosterGeometry, WholeSheetsRoundHalvesToEven) {
  struct Row {
    double typed, kept;
  } rows[] = {{2.5, 2.0}, {3.5, 4.0}, {0.3, 1.0}, {2.6, 3.0}};
  for (const Row& r : rows) {
    FakeEdits e;
    e.inputs() = {4000, 6000, 400, 300, {5, 5}, plainOptions()};
    e.inputs().options.OptFullSheet = true;
    e.typeBreit(r.typed);
    EXPECT_DOUBLE_EQ(static_cast<double>(e.breitValue()), r.kept) << r.typed;
    EXPECT_DOUBLE_EQ(e.state().PosterWidth, r.kept) << r.typed;
    EXPECT_EQ(e.state().SheetsX, static_cast<int>(r.kept));
  }
}

TEST(PosterGeometry, HeightAboveOneHundredIsClamped) {
  FakeEdits e;
  e.inputs() = {4000, 6000, 10, 2000, {5, 5}, plainOptions()};
  e.typeBreit(5.0);  // 2000 * 5 / 10 * 4000 / 6000 = 666 sheets high
  EXPECT_DOUBLE_EQ(static_cast<double>(e.hochValue()), 100.0);
  EXPECT_DOUBLE_EQ(e.state().PosterHeight, 100.0);
  EXPECT_EQ(e.state().SheetsY, 100);
}

TEST(PosterGeometry, ValuesReadOutsideTheRangeNeverBreakTheSheetCounts) {
  for (const char* bad : {"0", "-3", "250", "nan", "", "2,5x"}) {
    FakeEdits e;
    e.inputs() = {4000, 6000, 400, 300, {5, 5}, plainOptions()};
    e.SheetEdits::typeBreit(bad);  // what an edit may hold while the user is still typing
    EXPECT_GE(e.state().SheetsX, 1) << bad;
    EXPECT_LE(e.state().SheetsX, 100) << bad;
    EXPECT_GE(e.state().SheetsY, 1) << bad;
    EXPECT_LE(e.state().SheetsY, 100) << bad;
  }
}

TEST(PosterGeometry, GlueMarginsEnterTheAspect) {
  FakeEdits e;
  Options o = plainOptions();
  o.OptGlueMargin = true;
  o.OptNoEdgeGlue = true;
  e.inputs() = {4000, 6000, 400, 300, {5, 10}, o};
  e.typeBreit(2.0);
  // Wu = 3800, Hu = 5400. Without a strip on the poster's edge the band routine spreads the
  // glue share over the sheets: across, 400 pixels shrink to 400 * (100 - 5 / 2) / 100 = 390 on
  // 2 * 3800 device pixels; down, 300 * (100 - 10 / 1) / 100 = 270 on h * 5400. Equal scales:
  // h = 2 * 3800 * 270 / (390 * 5400) = 0.974358974..., one row.
  EXPECT_DOUBLE_EQ(e.state().PosterHeight, 0.97435897);
  EXPECT_EQ(e.hochText(), "0.97435897");
  EXPECT_EQ(e.state().SheetsY, 1);
}

TEST(PosterGeometry, WithoutAspectEachEditKeepsItsOwnDimension) {
  FakeEdits e;
  Options o = plainOptions();
  o.OptKeepAspect = false;
  e.inputs() = {4000, 6000, 400, 300, {5, 5}, o};
  e.typeBreit(3.0);
  EXPECT_DOUBLE_EQ(static_cast<double>(e.hochValue()), 1.0);
  EXPECT_EQ(e.state().SheetsY, 1);
  EXPECT_EQ(e.state().SheetsX, 3);
}

TEST(PosterGeometry, ReapplyFollowsTheLeadingEdit) {
  FakeEdits e;
  e.inputs() = {4000, 6000, 400, 300, {5, 5}, plainOptions()};
  e.typeHoch(1.5);
  const double width = e.state().PosterWidth;
  e.inputs().W = 800;  // a wider picture was loaded
  by_anpassen(e.state(), e);
  EXPECT_DOUBLE_EQ(e.state().PosterHeight, 1.5);
  EXPECT_NEAR(e.state().PosterWidth, width * 2, 1e-7);
}

// "Nicht verzerren": whatever was typed before, a picture pixel prints as wide as high in the
// bands the print job draws, on every paper, glue strip and size, unless an edit had to clamp.
// Bands hold whole pixels, so a band of n pixels may be off by half a pixel, 0.5 / n, on its
// own; the geometry must add less than 0.3 % to that.
TEST(PosterGeometry, KeptAspectPrintsUndistorted) {
  const std::pair<int32_t, int32_t> pictures[] = {{6000, 4000}, {4000, 6000}, {3000, 3000}, {1, 1000}, {1000, 1}};
  const char* sizes[] = {"0.5", "1", "1.5", "2", "3", "7.3", "20"};
  double worst = 0;
  std::string worstCase;
  for (const char* paperName : {"A4", "A3", "Letter"}) {
    for (const int32_t dpi : {300, 600}) {
      const PageMetrics page = paperMetrics(*findPaper(paperName), dpi);
      for (const auto& [w, h] : pictures) {
        for (const int32_t glue : {0, 3, 10}) {
          for (const bool edgeGlue : {false, true}) {
            for (const bool across : {true, false}) {
              for (const char* size : sizes) {
                FakeEdits e;
                Options o;
                o.OptNoEdgeGlue = !edgeGlue;
                e.inputs() = {page.pageWidth, page.pageHeight, w, h, {glue, 10 - glue}, o};
                // Something else typed first leaves other sheet counts behind.
                e.SheetEdits::typeBreit("4");
                e.SheetEdits::typeHoch("0.7");
                across ? e.SheetEdits::typeBreit(size) : e.SheetEdits::typeHoch(size);
                const PosterState& s = e.state();
                if (s.PosterWidth <= 0.1 || s.PosterHeight <= 0.1 || s.PosterWidth >= 100 || s.PosterHeight >= 100)
                  continue;  // clamped: no undistorted size exists
                const TDib picture = newdib(w, h, 1, nullptr, 0);
                const DeviceRect area{0, 0, areaWidth(page.pageWidth, o, e.inputs().glue),
                                      areaHeight(page.pageHeight, o, e.inputs().glue)};
                const SheetBand band = sheetBand(posterLayout(picture, s), o, e.inputs().glue, 0, 0, area, false);
                ASSERT_TRUE(band.valid);
                const long double perX = band.srcWidth > 0 ? band.srcWidth : band.exactX.length;
                const long double perY = band.srcHeight > 0 ? band.srcHeight : band.exactY.length;
                const double distortion =
                    std::fabs(static_cast<double>(band.dest.width() / perX / (band.dest.height() / perY)) - 1);
                const double rounding = (band.srcWidth > 0 ? 0.5 / band.srcWidth : 0) +
                                        (band.srcHeight > 0 ? 0.5 / band.srcHeight : 0);
                EXPECT_LT(distortion, 0.003 + rounding) << paperName << " " << dpi << " " << w << "x" << h << " "
                                                        << glue << " " << edgeGlue << " " << across << " " << size;
                if (distortion > worst) {
                  worst = distortion;
                  worstCase = std::string(paperName) + " " + std::to_string(dpi) + " dpi, " + std::to_string(w) +
                              " x " + std::to_string(h) + ", glue " + std::to_string(glue) +
                              (edgeGlue ? " with" : " without") + " edge strips, " + (across ? "across " : "down ") +
                              size;
                }
              }
            }
          }
        }
      }
    }
  }
  std::cout << "worst distortion " << worst * 100 << " %: " << worstCase << '\n';
}
