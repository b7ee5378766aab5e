// A poster set up without the window: named papers, sheet counts typed into the edits, and
// finished sizes in centimetres found on the edits' 8-decimal grid.
#include <gtest/gtest.h>

#include "layout/PosterSetup.h"
#include "print/PaperSizes.h"

using namespace tessaro;

TEST(PosterSetup, NamedPapersGiveThePageAPrinterWouldReport) {
  // Millimetres / 25.4 * dpi, rounded; a border of dpi / 6 all round.
  struct Case {
    const char* name;
    int32_t dpi, width, height, border;
  } cases[] = {{"A4", 600, 4961, 7016, 100},
               {"a3", 72, 842, 1191, 12},
               {"Letter", 300, 2550, 3300, 50},
               {"LEGAL", 150, 1275, 2100, 25}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const PaperSize* paper = findPaper(c.name);
    ASSERT_NE(paper, nullptr);
    const PageMetrics m = paperMetrics(*paper, c.dpi);
    EXPECT_EQ(m.physicalWidth, c.width);
    EXPECT_EQ(m.physicalHeight, c.height);
    EXPECT_EQ(m.offsetX, c.border);
    EXPECT_EQ(m.pageWidth, c.width - 2 * c.border);
    EXPECT_EQ(m.pageHeight, c.height - 2 * c.border);
  }
  EXPECT_EQ(findPaper("A5"), nullptr);
  // Media as the print system gives it: 21000 x 29700 hundredths of a mm, 4.23 mm margins.
  const PageMetrics media = mediaMetrics(21000, 29700, 423, 423, 423, 423, 600);
  EXPECT_EQ(media.physicalWidth, 4961);
  EXPECT_EQ(media.offsetX, 100);
  EXPECT_EQ(media.pageWidth, 4961 - 200);
}

TEST(PosterSetup, SizesAreTypedOrFoundInCentimetres) {
  const TDib picture = newdib(600, 400, 24, nullptr, 0);
  const PageMetrics a4 = defaultA4Metrics();
  Options plain;
  plain.OptGlueMargin = false;
  const GlueMargins glue{5, 5};
  struct Case {
    PosterSizeRequest request;
    int32_t sheetsX, sheetsY;
    const char* error;
  } cases[] = {
      // The window's start on its 320 x 200 picture, one sheet high on a 4761 x 6816 page with
      // 5 % added for the missing edge strip: 1.6 * 1.05 * 6816 / 4761 - 0.05 = 2.3551 across.
      // The loaded 3 : 2 picture keeps that width: (2.3551 + 0.05 / 3) * 4761 / 6816 / 1.5 - 0.05
      // = 1.0545 down.
      {{PosterSizeKind::Default, ""}, 3, 2, ""},
      {{PosterSizeKind::Across, "2.5"}, 3, 2, ""},
      // 4 sheets down hold 4 * 6816 device pixels of height, so 4 * 6816 * 1.5 / 4761 across.
      {{PosterSizeKind::Down, "4"}, 9, 4, ""},
      {{PosterSizeKind::Across, "100.5"}, 1, 1, "zwischen 0.1 und 100"},
      {{PosterSizeKind::WidthCm, "1e9"}, 1, 1, "Die Breite muss zwischen"},
      {{PosterSizeKind::HeightCm, "zehn"}, 1, 1, "keine Zahl"},
      {{PosterSizeKind::Physical, "100"}, 1, 1, "keine brauchbare Auflösung"},
      {{PosterSizeKind::Physical, "0"}, 1, 1, "größer als 0 Prozent"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.request.value);
    const PosterSetup s = setUpPoster(picture, a4, plain, glue, c.request);
    EXPECT_NE(s.error.find(c.error), std::string::npos) << s.error;
    if (!*c.error) {
      EXPECT_EQ(s.poster.SheetsX, c.sheetsX);
      EXPECT_EQ(s.poster.SheetsY, c.sheetsY);
    }
  }
  // A size in centimetres lands within a pixel's width of the request, on either axis.
  for (const auto& [kind, cm] :
       {std::pair{PosterSizeKind::WidthCm, 75.0L}, std::pair{PosterSizeKind::HeightCm, 33.3L}}) {
    const PosterSetup s = setUpPoster(picture, a4, plain, glue, {kind, std::to_string(static_cast<double>(cm))});
    ASSERT_TRUE(s.ok()) << s.error;
    const Ext got = kind == PosterSizeKind::WidthCm ? s.size.widthCm : s.size.heightCm;
    EXPECT_NEAR(static_cast<double>(got), static_cast<double>(cm), 2.54 / s.size.dpi);
  }
}
