#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "layout/PreviewGrid.h"
#include "picture/DrawDib.h"
#include "support/PosterPictures.h"
#include "support/RasterDevice.h"

using namespace tessaro;
using tessaro::test::RasterDevice;

namespace {

constexpr Color kBox = rgbColor(200, 200, 200);  // the scroll box's colour behind the grid

Options previewOptions(bool glueMargin, bool showGlue, bool noEdgeGlue) {
  Options o;
  o.OptGlueMargin = glueMargin;
  o.OptShowGlue = showGlue;
  o.OptNoEdgeGlue = noEdgeGlue;
  return o;
}

class PreviewGridTest : public testing::Test {
 protected:
  void SetUp() override { setScreenBitsPerPixel(24); }
};

}  // namespace

TEST_F(PreviewGridTest, CellSize) {
  struct Case {
    PreviewBox box;
    int32_t nx, ny;
    bool glueMargin, showGlue;
    int32_t cellW, cellH, innerW, innerH, pitchW, pitchH;
  };
  const std::vector<Case> cases = {
      // Too tall at zoom 1: refit to the height. innerW = Round(95 * 85 / 100) = 81.
      {{341, 277, 1.0, 277, 4000, 6000}, 2, 2, true, true, 85, 127, 81, 121, 85, 127},
      // Zoomed in far enough, the width decides: ((3230 div 2 - 20) * 6000 div 4000) div 10.
      {{341, 277, 2.0, 277, 4000, 6000}, 2, 2, true, true, 159, 239, 151, 227, 159, 239},
      // Glue view off: cells at their picture areas.
      {{341, 277, 1.0, 277, 4000, 6000}, 2, 2, true, false, 85, 127, 81, 121, 81, 121},
      // Glue margin off: nothing is taken off.
      {{341, 277, 1.0, 277, 4000, 6000}, 2, 2, false, true, 85, 127, 85, 127, 85, 127},
      // A landscape page in a wide box.
      {{818, 300, 1.0, 300, 6000, 4000}, 4, 1, false, false, 198, 132, 198, 132, 198, 132},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.box.width << "x" << c.box.height << " zoom " << c.box.zoom << " margin "
                                    << c.glueMargin << " show " << c.showGlue);
    const PreviewCells cells = previewCells(c.box, test::wholeSheets(c.nx, c.ny),
                                            previewOptions(c.glueMargin, c.showGlue, false), GlueMargins{5, 5});
    ASSERT_TRUE(cells.valid);
    EXPECT_EQ(cells.cellW, c.cellW);
    EXPECT_EQ(cells.cellH, c.cellH);
    EXPECT_EQ(cells.innerW, c.innerW);
    EXPECT_EQ(cells.innerH, c.innerH);
    EXPECT_EQ(cells.pitchW, c.pitchW);
    EXPECT_EQ(cells.pitchH, c.pitchH);
  }
}

TEST_F(PreviewGridTest, NothingWithoutRoomOrPage) {
  const TDib pic = test::blockPicture(40, 40, 2, 2);
  SheetGrid off;
  const PreviewBox good{341, 277, 1.0, 277, 4000, 6000};
  const std::vector<std::pair<PreviewBox, PosterState>> cases = {
      {PreviewBox{341, 277, 1.0, 277, 0, 6000}, test::wholeSheets(2, 2)},   // no page width
      {PreviewBox{341, 277, 1.0, 277, 4000, 0}, test::wholeSheets(2, 2)},   // no page height
      {PreviewBox{341, 277, 1.0, 277, -5, 6000}, test::wholeSheets(2, 2)},  // nonsense page
      {PreviewBox{20, 20, 1.0, 20, 4000, 6000}, test::wholeSheets(2, 2)},   // cells of negative size
      {PreviewBox{0, 0, 1.0, 0, 4000, 6000}, test::wholeSheets(1, 1)},      // box not laid out yet
      {good, test::wholeSheets(100, 100)},                                  // cells of no height
      {good, test::wholeSheets(0, 1)},
      {good, test::wholeSheets(1, 0)},
  };
  for (const auto& [box, p] : cases) {
    RasterDevice dc(400, 300, kBox);
    paintPreview(dc, pic, box, p, previewOptions(true, true, true), {5, 5}, off);
    EXPECT_TRUE(dc.calls().empty()) << box.width << " " << box.pageWidth << " " << p.SheetsX;
    EXPECT_FALSE(clickPreview(off, 12, 12, box, p, previewOptions(true, true, true), {5, 5}));
  }
}

TEST_F(PreviewGridTest, PaintsEachSheetsBand) {
  // A 2 x 2 poster of a picture in 2 x 2 blocks, no glue: each cell shows its own block.
  const TDib pic = test::blockPicture(40, 60, 2, 2);
  const PreviewBox box{341, 277, 1.0, 277, 4000, 6000};
  const PosterState p = test::wholeSheets(2, 2);
  const Options o = previewOptions(false, false, false);
  const PreviewCells cells = previewCells(box, p, o, {5, 5});
  RasterDevice dc(box.width, box.height, kBox);
  SheetGrid off;
  paintPreview(dc, pic, box, p, o, {5, 5}, off);
  for (int i = 0; i < 2; ++i) {
    for (int j = 0; j < 2; ++j) {
      const CellRect r = sheetCell(cells, p, o, i, j);
      const auto block = test::blockOf(dc.pixel(r.x0 + r.w / 2, r.y0 + r.h / 2));
      ASSERT_TRUE(block.has_value()) << i << j;
      EXPECT_EQ(block->first, i);
      EXPECT_EQ(block->second, j);
      EXPECT_EQ(dc.pixel(r.x0 + r.w + 1, r.y0 + 1), kBox);  // the gap is left alone
    }
  }
  EXPECT_EQ(dc.pixel(5, 5), kBox);
  EXPECT_EQ(dc.count("line"), 0);  // no glue view, no dotted lines
  EXPECT_EQ(dc.count("stretchDIBits"), 4);
}

TEST_F(PreviewGridTest, ExcludedSheetsGetARedCross) {
  const TDib pic = test::blockPicture(40, 60, 2, 2);
  const PreviewBox box{341, 277, 1.0, 277, 4000, 6000};
  const PosterState p = test::wholeSheets(2, 2);
  for (bool noEdgeGlue : {false, true}) {
    const Options o = previewOptions(true, true, noEdgeGlue);
    const PreviewCells cells = previewCells(box, p, o, {5, 5});
    SheetGrid off;
    off.toggle(1, 0);
    RasterDevice dc(box.width, box.height, kBox);
    paintPreview(dc, pic, box, p, o, {5, 5}, off);
    const CellRect r = sheetCell(cells, p, o, 1, 0);
    // The cross spans the whole sheet when edge sheets grow, else the picture area.
    const int32_t w = noEdgeGlue ? r.w : cells.innerW, h = noEdgeGlue ? r.h : cells.innerH;
    EXPECT_EQ(dc.pixel(r.x0, r.y0), kRed);
    EXPECT_EQ(dc.pixel(r.x0 + w - 1, r.y0 + 1), kRed) << noEdgeGlue;
    EXPECT_GT(dc.countOf(kRed, r.x0, r.y0, r.x0 + w, r.y0 + h), w);
    bool anyPicture = false;
    for (int32_t y = r.y0; y < r.y0 + r.h; ++y) {
      for (int32_t x = r.x0; x < r.x0 + r.w; ++x) anyPicture |= test::blockOf(dc.pixel(x, y)).has_value();
    }
    EXPECT_FALSE(anyPicture);
    // Not even a drawing call that would show nothing lands on the sheet.
    for (const test::DeviceCall& c : dc.calls()) {
      if (c.name != "stretchDIBits") continue;
      EXPECT_FALSE(c.args[0] < r.x0 + r.w && c.args[0] + c.args[2] > r.x0 && c.args[1] < r.y0 + r.h &&
                   c.args[1] + c.args[3] > r.y0);
    }
  }
}

TEST_F(PreviewGridTest, DottedGlueBoundaries) {
  const TDib pic = test::blockPicture(40, 60, 2, 2);
  const PreviewBox box{341, 277, 1.0, 277, 4000, 6000};
  const PosterState p = test::wholeSheets(2, 2);
  struct Case {
    bool margin, show, noEdgeGlue;
    int32_t ruler;  // page pixels
    int lines;
  };
  // Two per sheet; the outer edge loses its own with "Kein Kleberand am Posterrand". A check
  // ruler adds its bar and six ticks on each bottom glue strip, shown or not.
  for (const Case& c : {Case{true, true, false, 0, 8}, Case{true, true, true, 0, 4}, Case{true, false, false, 0, 0},
                        Case{false, true, false, 0, 0}, Case{true, true, false, 1000, 8 + 4 * 7},
                        Case{true, true, true, 1000, 4 + 2 * 7}, Case{true, false, false, 1000, 4 * 7},
                        Case{false, true, false, 1000, 0}}) {
    const Options o = previewOptions(c.margin, c.show, c.noEdgeGlue);
    RasterDevice dc(box.width, box.height, kBox);
    SheetGrid off;
    PreviewBox ruled = box;
    ruled.rulerLength = c.ruler;
    paintPreview(dc, pic, ruled, p, o, {5, 5}, off);
    EXPECT_EQ(dc.count("line"), c.lines) << c.margin << c.show << c.noEdgeGlue << c.ruler;
    if (c.lines == 8) {
      const PreviewCells cells = previewCells(box, p, o, {5, 5});
      const int32_t x = 10 + cells.innerW + 1;
      EXPECT_EQ(dc.pixel(x, 10), kBlack);
      EXPECT_NE(dc.pixel(x, 11), kBlack);  // dotted
    }
  }
}

TEST_F(PreviewGridTest, ClicksToggleTheSheetUnderTheMouse) {
  const PreviewBox box{341, 277, 1.0, 277, 4000, 6000};
  const PosterState p = test::wholeSheets(2, 2);
  const Options o = previewOptions(true, true, false);
  const PreviewCells cells = previewCells(box, p, o, {5, 5});
  const CellRect r = sheetCell(cells, p, o, 1, 0);
  SheetGrid off;
  EXPECT_TRUE(clickPreview(off, r.x0 + 3, r.y0 + 3, box, p, o, {5, 5}));
  EXPECT_TRUE(off.off(1, 0));
  EXPECT_FALSE(off.off(0, 0));
  EXPECT_TRUE(clickPreview(off, r.x0 + r.w, r.y0 + r.h, box, p, o, {5, 5}));  // edges belong to the sheet
  EXPECT_FALSE(off.off(1, 0));
  // Gaps between sheets and the margin belong to none.
  const SheetGrid before = off;
  for (auto [x, y] : std::vector<std::pair<int32_t, int32_t>>{
           {r.x0 - 1, r.y0 + 5}, {5, 5}, {r.x0 + 5, r.y0 + r.h + 1}, {r.x0 + r.w + 1, r.y0 + 5}, {1000, 1000}}) {
    EXPECT_FALSE(clickPreview(off, x, y, box, p, o, {5, 5})) << x << "," << y;
  }
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) EXPECT_EQ(off.off(i, j), before.off(i, j));
  }
}

TEST_F(PreviewGridTest, ExclusionSurvivesShrinkingAndGrowing) {
  const TDib pic = test::blockPicture(40, 40, 2, 2);
  const PreviewBox box{400, 400, 1.0, 400, 4000, 4000};
  const Options o = previewOptions(false, false, false);
  SheetGrid off;
  const PosterState big = test::wholeSheets(4, 4);
  const CellRect r = sheetCell(previewCells(box, big, o, {5, 5}), big, o, 2, 3);
  ASSERT_TRUE(clickPreview(off, r.x0 + 2, r.y0 + 2, box, big, o, {5, 5}));

  const PosterState small = test::wholeSheets(2, 2);
  RasterDevice shrunk(box.width, box.height, kBox);
  paintPreview(shrunk, pic, box, small, o, {5, 5}, off);
  EXPECT_EQ(shrunk.countOf(kRed, 0, 0, box.width, box.height), 0);

  RasterDevice grown(box.width, box.height, kBox);
  paintPreview(grown, pic, box, big, o, {5, 5}, off);
  EXPECT_EQ(grown.pixel(r.x0, r.y0), kRed);
  EXPECT_EQ(grown.count("stretchDIBits"), 15);
}

TEST_F(PreviewGridTest, LabelsNameEverySheetWhereTheCellsAreLargeEnough) {
  const TDib pic = test::blockPicture(40, 60, 2, 2);
  struct Case {
    PreviewBox box;
    int32_t n;
    std::vector<std::string> labels;  // in painting order: column by column
  } const cases[] = {
      {{341, 277, 1.0, 277, 4000, 6000}, 2, {"A1", "B1", "A2", "B2"}},
      // Cells of a few pixels cannot carry a readable label.
      {{341, 277, 1.0, 277, 4000, 6000}, 20, {}},
  };
  for (const Case& c : cases) {
    const PosterState p = test::wholeSheets(c.n, c.n);
    const Options o = previewOptions(true, false, true);
    SheetGrid off;
    off.toggle(1, 0);  // a clicked-out sheet keeps its label
    RasterDevice dc(c.box.width, c.box.height, kBox);
    paintPreview(dc, pic, c.box, p, o, {5, 5}, off, true);
    std::vector<std::string> labels;
    for (const auto& call : dc.calls())
      if (call.name == "textOut") labels.push_back(call.text);
    EXPECT_EQ(labels, c.labels) << c.n;
    // Off by default: no text at all.
    RasterDevice plain(c.box.width, c.box.height, kBox);
    paintPreview(plain, pic, c.box, p, o, {5, 5}, off);
    EXPECT_EQ(plain.count("textOut"), 0);
  }
}
