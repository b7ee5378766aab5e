#include <gtest/gtest.h>

#include <cmath>

#include <charconv>
#include <string>

#include "layout/SheetEdits.h"

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
