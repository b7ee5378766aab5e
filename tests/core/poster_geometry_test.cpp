#include <gtest/gtest.h>

#include <cmath>

#include "layout/PosterGeometry.h"

using namespace tessaro;

namespace {

// Two float spin edits as the window has them: values clamped to 0.1 .. 100 and rounded to
// 8 decimals, and a write that changes the value raises the edit's change handler.
class FakeEdits : public PosterEditsHost {
 public:
  PosterState state;
  GeometryInputs inputs;
  double breit = 1.0, hoch = 1.0;
  int repaints = 0, hochHandlerRuns = 0, breitHandlerRuns = 0;

  GeometryInputs geometryInputs() override { return inputs; }
  double breitValue() override { return breit; }
  double hochValue() override { return hoch; }
  void setBreitValue(double v) override { write(breit, v, true); }
  void setHochValue(double v) override { write(hoch, v, false); }
  void repaintPreview() override { ++repaints; }

  // The user types a value into an edit.
  void typeBreit(double v) { write(breit, v, true); }
  void typeHoch(double v) { write(hoch, v, false); }

 private:
  void write(double& edit, double v, bool isBreit) {
    v = std::min(100.0, std::max(0.1, v));
    v = std::round(v * 1e8) / 1e8;
    if (v == edit) return;
    edit = v;
    if (isBreit) {
      ++breitHandlerRuns;
      BreitEdChange(state, *this);
    } else {
      ++hochHandlerRuns;
      HochEdChange(state, *this);
    }
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
  e.inputs = {4000, 6000, 400, 300, {5, 5}, plainOptions()};
  e.typeBreit(2.0);
  EXPECT_DOUBLE_EQ(e.state.PosterHeight, 1.0);
  EXPECT_EQ(e.state.SheetsX, 2);
  EXPECT_EQ(e.state.SheetsY, 1);
  EXPECT_TRUE(e.state.WidthLeads);
  // The height edit did not change, so its handler was not raised.
  EXPECT_EQ(e.hochHandlerRuns, 0);
  e.typeBreit(3.0);
  // Now it changed to 1.5: its handler was raised but returned at once under the guard, so the
  // width still leads and the width was not recomputed from the height.
  EXPECT_EQ(e.hochHandlerRuns, 1);
  EXPECT_DOUBLE_EQ(e.hoch, 1.5);
  EXPECT_TRUE(e.state.WidthLeads);
  EXPECT_DOUBLE_EQ(e.state.PosterWidth, 3.0);
  EXPECT_FALSE(e.state.SyncingEdits);
  e.typeHoch(2.0);
  EXPECT_EQ(e.breitHandlerRuns, 3);
  EXPECT_FALSE(e.state.WidthLeads);
  EXPECT_DOUBLE_EQ(e.state.PosterWidth, 4.0);
  EXPECT_EQ(e.state.SheetsX, 4);
  EXPECT_DOUBLE_EQ(e.breit, 4.0);
}

TEST(PosterGeometry, SheetCountsAreCeilings) {
  struct Row {
    double width;
    int columns;
  } rows[] = {{2.5, 3}, {3.0, 3}, {0.1, 1}, {1.00000001, 2}, {99.5, 100}};
  for (const Row& r : rows) {
    FakeEdits e;
    e.inputs = {4000, 6000, 400, 300, {5, 5}, plainOptions()};
    e.typeBreit(r.width);
    EXPECT_EQ(e.state.SheetsX, r.columns) << r.width;
  }
}

TEST(PosterGeometry, WholeSheetsRoundHalvesToEven) {
  struct Row {
    double typed, kept;
  } rows[] = {{2.5, 2.0}, {3.5, 4.0}, {0.3, 1.0}, {2.6, 3.0}};
  for (const Row& r : rows) {
    FakeEdits e;
    e.inputs = {4000, 6000, 400, 300, {5, 5}, plainOptions()};
    e.inputs.options.OptFullSheet = true;
    e.typeBreit(r.typed);
    EXPECT_DOUBLE_EQ(e.breit, r.kept) << r.typed;
    EXPECT_DOUBLE_EQ(e.state.PosterWidth, r.kept) << r.typed;
    EXPECT_EQ(e.state.SheetsX, static_cast<int>(r.kept));
  }
}

TEST(PosterGeometry, HeightAboveOneHundredIsClamped) {
  FakeEdits e;
  e.inputs = {4000, 6000, 10, 2000, {5, 5}, plainOptions()};
  e.typeBreit(5.0);  // 2000 * 5 / 10 * 4000 / 6000 = 666 sheets high
  EXPECT_DOUBLE_EQ(e.hoch, 100.0);
  EXPECT_DOUBLE_EQ(e.state.PosterHeight, 100.0);
  EXPECT_EQ(e.state.SheetsY, 100);
}

TEST(PosterGeometry, ValuesReadOutsideTheRangeNeverBreakTheSheetCounts) {
  for (double bad : {0.0, -3.0, 250.0, std::nan("")}) {
    FakeEdits e;
    e.inputs = {4000, 6000, 400, 300, {5, 5}, plainOptions()};
    e.breit = bad;  // what an edit may hold while the user is still typing
    BreitEdChange(e.state, e);
    EXPECT_GE(e.state.SheetsX, 1) << bad;
    EXPECT_LE(e.state.SheetsX, 100) << bad;
    EXPECT_GE(e.state.SheetsY, 1) << bad;
    EXPECT_LE(e.state.SheetsY, 100) << bad;
  }
}

TEST(PosterGeometry, GlueMarginsEnterTheAspect) {
  FakeEdits e;
  Options o = plainOptions();
  o.OptGlueMargin = true;
  o.OptNoEdgeGlue = true;
  e.inputs = {4000, 6000, 400, 300, {5, 10}, o};
  e.typeBreit(2.0);
  // Wu = 3800, Hu = 5400; f = 5 / 2 / 100 + 2 = 2.025; 300 * 2.025 / 400 * 3800 / 5400 less
  // 10 / 1 / 100 for the old single row.
  const long double expected = 300.0L * 2.025L / 400 * 3800 / 5400 - 10.0L / 1 / 100;
  EXPECT_NEAR(e.state.PosterHeight, static_cast<double>(expected), 1e-8);
  EXPECT_EQ(e.state.SheetsY, 1);
}

TEST(PosterGeometry, WithoutAspectEachEditKeepsItsOwnDimension) {
  FakeEdits e;
  Options o = plainOptions();
  o.OptKeepAspect = false;
  e.inputs = {4000, 6000, 400, 300, {5, 5}, o};
  e.typeBreit(3.0);
  EXPECT_DOUBLE_EQ(e.hoch, 1.0);
  EXPECT_EQ(e.state.SheetsY, 1);
  EXPECT_EQ(e.state.SheetsX, 3);
}

TEST(PosterGeometry, ReapplyFollowsTheLeadingEdit) {
  FakeEdits e;
  e.inputs = {4000, 6000, 400, 300, {5, 5}, plainOptions()};
  e.typeHoch(1.5);
  const double width = e.state.PosterWidth;
  e.inputs.W = 800;  // a wider picture was loaded
  by_anpassen(e.state, e);
  EXPECT_DOUBLE_EQ(e.state.PosterHeight, 1.5);
  EXPECT_NEAR(e.state.PosterWidth, width * 2, 1e-7);
}
