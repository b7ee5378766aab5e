#include <gtest/gtest.h>

#include <clocale>

#include "layout/PaperMetrics.h"

using namespace tessaro;

TEST(PaperMetrics, MillimetresUseTheProgramsFactor) {
  PageMetrics m;
  m.physicalWidth = 4960;
  m.physicalHeight = 7016;
  m.dpiX = m.dpiY = 600;
  m.offsetX = 100;
  m.offsetY = 50;
  m.pageWidth = 4960 - 100 - 120;
  m.pageHeight = 7016 - 50 - 200;
  const PaperTexts t = paperTexts(m, GlueMargins{0, 5});
  EXPECT_EQ(t.paper, "209.85 x 296.83 mm");
  EXPECT_EQ(t.left, formatMm(pixelsToMm(100, 600)) + " mm");
  EXPECT_EQ(t.left, "4.23 mm");
  EXPECT_EQ(t.top, "2.12 mm");
  EXPECT_EQ(t.right, "5.08 mm");
  EXPECT_EQ(t.bottom, "8.46 mm");
  EXPECT_EQ(t.glueRight, "0.00 mm");
  // 5 * 6766 / 100 * 297 / 3510 * 300 / 600
  EXPECT_EQ(t.glueBottom, "14.31 mm");
}

TEST(PaperMetrics, PointAsSeparatorWhateverTheLocale) {
  const char* old = std::setlocale(LC_ALL, nullptr);
  const std::string saved = old ? old : "C";
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) std::setlocale(LC_NUMERIC, "de_DE");
  EXPECT_EQ(formatMm(4.231L), "4.23");
  EXPECT_EQ(formatMm(0), "0.00");
  EXPECT_EQ(formatMm(1234.5L), "1234.50");
  std::setlocale(LC_ALL, saved.c_str());
}

TEST(PaperMetrics, NoDivisionByZeroWithoutResolution) {
  PageMetrics m;
  const PaperTexts t = paperTexts(m, GlueMargins{});
  EXPECT_EQ(t.paper, "0.00 x 0.00 mm");
}
