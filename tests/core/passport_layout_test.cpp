#include <gtest/gtest.h>

#include <vector>

#include "layout/PassportLayout.h"
#include "layout/PassportPrintJob.h"
#include "support/FakePrintService.h"
#include "support/PosterPictures.h"

using namespace tessaro;
using tessaro::test::FakePrintService;

namespace {

PageMetrics page(int32_t w, int32_t h, int32_t dpi = 600) {
  PageMetrics m;
  m.physicalWidth = w;
  m.physicalHeight = h;
  m.dpiX = m.dpiY = dpi;
  m.pageWidth = w;
  m.pageHeight = h;
  return m;
}

// Copies in rows: every x with every y, row by row.
std::vector<PassCopy> grid(const std::vector<int32_t>& xs, const std::vector<int32_t>& ys, int32_t w, int32_t h) {
  std::vector<PassCopy> out;
  for (int32_t y : ys)
    for (int32_t x : xs) out.push_back({x, y, w, h});
  return out;
}

void expectCopies(const std::vector<PassCopy>& got, const std::vector<PassCopy>& want, const char* name) {
  ASSERT_EQ(got.size(), want.size()) << name;
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].x, want[i].x) << name << " copy " << i;
    EXPECT_EQ(got[i].y, want[i].y) << name << " copy " << i;
    EXPECT_EQ(got[i].w, want[i].w) << name << " copy " << i;
    EXPECT_EQ(got[i].h, want[i].h) << name << " copy " << i;
  }
}

}  // namespace

// Page 1003 x 1403 so that no product lands on a whole number: 1003 * 0.2 = 200.6,
// 1403 * 0.05 = 70.15, a square copy is 0.2 * 1003 = 200.6 high, and so on.
TEST(PassportLayout, RowsFillThePageWhileCopyAndMarginFit) {
  struct Row {
    const char* name;
    int32_t PW, PH, picW, picH;
    double width, spacing, margin;
    std::vector<PassCopy> want;
  };
  const Row rows[] = {
      // x: 50, +200 +20 ... fifth would end at 1130 + 50.15; y: 70, 298, ... sixth ends at 1410.
      {"defaults", 1003, 1403, 10, 10, 0.2, 0.02, 0.05, grid({50, 270, 490, 710}, {70, 298, 526, 754, 982}, 200, 200)},
      // 200.6 + 501.5 + 200.6 fits, a second copy would need 1422.6; rows 560.6 + 501.5 each.
      {"one per row", 1003, 2803, 10, 10, 0.5, 0.02, 0.2, grid({200}, {560, 1117, 1674}, 501, 501)},
      // A copy 2006 high on a page 1403 high.
      {"too tall", 1003, 1403, 10, 100, 0.2, 0.02, 0.05, {}},
      {"no width", 1003, 1403, 10, 10, 0, 0.02, 0.05, {}},
      {"negative gap", 1003, 1403, 10, 10, 0.2, -0.01, 0.05, {}},
      // Products that are whole in decimals fall by the doubles the fractions are: 0.35 is stored
      // as 0.34999999999999997780, so the copy is 6800 * 0.35 = 2379.99999999999985 high;
      // 0.2 as 0.20000000000000001110, a margin of 952.00000000000005.
      {"worked example", 4760, 6800, 1, 1, 0.5, 0.02, 0.2, {{952, 1360, 2380, 2379}}},
      // A third copy would end at 2856 + 952 = 3808, and the margin beyond it at 4760.00000000000005.
      {"margin a hair too wide", 4760, 6800, 1, 1, 0.2, 0, 0.2, grid({952, 1904}, {1360, 2312, 3264, 4216}, 952, 952)},
      // 0.05 is stored as 0.05000000000000000278: a second copy in a row would end at 950, its
      // margin at 1000.0000000000000028, so one per row; 24 / 36 * 0.45 * 1000 / 1400 is stored as
      // 0.21428571428571430157, copies 300.00000000000002 high.
      {"one per row by a hair", 1000, 1400, 36, 24, 0.45, 0, 0.05, grid({50}, {70, 370, 670, 970}, 450, 300)},
  };
  for (const Row& r : rows) {
    const TDib pic = test::blockPicture(r.picW, r.picH, 1, 1);
    PassSettings s{r.width, 0, r.spacing, r.margin};
    s.PassHeight = passHeight(pic, r.width, r.PW, r.PH);
    expectCopies(passPageLayout(s, 0, 0, r.PW, r.PH), r.want, r.name);
  }
}

// Page in the box: pw = Bw - 20, ph = ((pw * 10 * PH) div PW) div 10, or fitted to the height.
TEST(PassportLayout, PreviewPageAndTinyBoxes) {
  struct Row {
    const char* name;
    int32_t boxW, boxH, base, PW, PH;
    double width;      // gap and margin as the defaults, a square picture
    int32_t pw, ph;    // the page in the box
    int32_t count;     // copies placed
    const char* size;  // GroesseLabel
  };
  const Row rows[] = {
      // 283 * 10 * 1400 / 1000 / 10 = 396; copies 56.6 pixels: four across (x 24, 85, 146, 207),
      // five down (y 29, 92, 155, 218, 281; a sixth would end at 400 + 19.8 > 406). At 600 dpi
      // 1000 * 0.2 * 297 / 3510 / 2 = 8.46 mm.
      {"by width", 303, 400, 400, 1000, 1400, 0.2L, 283, 396, 20, "8 x 8 mm"},
      // 396 > 200: ph = 184, pw = 184 * 10 * 1000 / 1400 / 10 = 131; copies 26.2 pixels, again
      // four across and five down.
      {"by height", 303, 204, 200, 1000, 1400, 0.2L, 131, 184, 20, "8 x 8 mm"},
      // pw = 1, ph = 1 * 10 * 50 / 1000 / 10 = 0: nothing to divide by, nothing drawn.
      {"flat page", 21, 400, 400, 1000, 50, 0.2L, 0, 0, 0, "8 x 8 mm"},
      {"box inside its border", 15, 15, 15, 1000, 1400, 0.2L, 0, 0, 0, "8 x 8 mm"},
      // 10 x 10 page, copies 0.05 * 10 = 0.5 pixels: one pixel each, nine per row, nine rows.
      {"copies below a pixel", 30, 30, 100, 1000, 1000, 0.05L, 10, 10, 81, "2 x 2 mm"},
  };
  const TDib pic = test::blockPicture(8, 8, 1, 1);
  for (const Row& r : rows) {
    const PassPreviewPage p = passPreviewPage(r.boxW, r.boxH, 1, r.base, r.PW, r.PH);
    EXPECT_EQ(p.pw, r.pw) << r.name;
    EXPECT_EQ(p.ph, r.ph) << r.name;
    test::RasterDevice box(r.boxW, r.boxH, 0x808080);
    PassSettings s;
    s.PassWidth = r.width;
    const PassPreviewResult got = paintPassPreview(box, pic, {r.boxW, r.boxH, 1, r.base, page(r.PW, r.PH)}, s);
    EXPECT_EQ(got.PassCount, r.count) << r.name;
    EXPECT_EQ(formatPassSize(got.size), r.size) << r.name;
    if (r.count > 0)  // the last copy of the last row is drawn
      EXPECT_EQ(box.pixel(got.copies.back().x, got.copies.back().y), test::blockColor(0, 0)) << r.name;
  }
}

// 4760 * 0.2 * 297 / 3510 * 300 / 600 = 40.27 mm: the worked example; 35 mm at 0.1738.
TEST(PassportLayout, CopySizeInMillimetres) {
  struct Row {
    int32_t PW, PH, picW, picH;
    Ext width;
    const char* want;
  };
  const Row rows[] = {
      {4760, 6736, 10, 10, 0.2L, "40 x 40 mm"},
      {4760, 6736, 35, 45, 0.1738L, "35 x 45 mm"},
      {4760, 6736, 10, 20, 0.5L, "100 x 201 mm"},
  };
  for (const Row& r : rows) {
    const TDib pic = test::blockPicture(r.picW, r.picH, 1, 1);
    EXPECT_EQ(formatPassSize(passSizeMm(page(r.PW, r.PH), r.width, passHeight(pic, r.width, r.PW, r.PH))), r.want);
  }
}

TEST(PassportLayout, ProgressStaysWithinAHundred) {
  struct Row {
    int32_t drawn, count, want;
  };
  const Row rows[] = {{0, 0, 100}, {3, 0, 100}, {1, 4, 25}, {1, 3, 33}, {4, 4, 100}, {9, 4, 100}, {0, 4, 0}};
  for (const Row& r : rows) EXPECT_EQ(passProgress(r.drawn, r.count), r.want) << r.drawn << "/" << r.count;
}

TEST(PassportPrintJob, OnePageWithTheCopiesWhereTheLayoutPutsThem) {
  struct Row {
    const char* name;
    int32_t passCount;
    bool failBegin, failEnd;
    size_t pages;
    std::vector<int32_t> progress;
  };
  const Row rows[] = {
      // 100 only once the page is sent.
      {"as previewed", 20, false, false, 1, {0,  5,  10, 15, 20, 25, 30, 35, 40, 45, 50,
                                             55, 60, 65, 70, 75, 80, 85, 90, 95, 99, 100}},
      // The preview placed fewer copies than the page: the bar waits at 99.
      {"fewer previewed", 10, false, false, 1, {0,  10, 20, 30, 40, 50, 60, 70, 80, 90, 99,
                                                99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 100}},
      {"begin refused", 20, true, false, 0, {0}},
  };
  const TDib pic = test::blockPicture(10, 10, 1, 1);
  for (const Row& r : rows) {
    FakePrintService printer(page(1003, 1403), 0x808080);
    printer.failBeginDoc = r.failBegin;
    printer.failEndDoc = r.failEnd;
    std::vector<int32_t> progress;
    const PosterPrintResult result =
        printPassport(printer, pic, PassSettings{}, r.passCount, [&](int32_t p) { progress.push_back(p); });
    EXPECT_EQ(result.ok(), !r.failBegin) << r.name;
    EXPECT_EQ(printer.title, "Tessaro Passbilder") << r.name;
    EXPECT_EQ(printer.pageCount(), r.pages) << r.name;
    EXPECT_EQ(progress, r.progress) << r.name;
    if (r.pages == 0) continue;
    const test::RasterDevice* p = printer.rasterPage(0);
    // Copies at x 50, 270, 490, 710 and y 70 ... 982, 200 pixels each (see the layout above).
    EXPECT_EQ(p->pixel(150, 170), test::blockColor(0, 0)) << r.name;
    EXPECT_EQ(p->pixel(809, 1181), test::blockColor(0, 0)) << r.name;
    EXPECT_EQ(p->pixel(260, 170), kWhite) << r.name;   // gap across
    EXPECT_EQ(p->pixel(150, 1300), kWhite) << r.name;  // below the last row
  }
}
