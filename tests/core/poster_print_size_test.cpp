#include <gtest/gtest.h>

#include "print/PosterPrintSize.h"

using namespace tessaro;

// A4 at 600 dpi (defaultA4Metrics): printable page 4961 - 200 = 4761 x 7016 - 200 = 6816 dots.
// With 5 % glue strips a sheet's picture area is Round(4761 * 0.95) = 4523 x Round(6816 * 0.95) =
// 6475 dots. Centimetres are dots / 600 * 2.54; dpi is picture pixels per sheet * 600 / area.
TEST(PosterPrintSize, MeasuresThePrintedPictureOnA4) {
  Options plain;
  plain.OptNoEdgeGlue = false;  // every sheet keeps its strip: each band covers one area
  Options noGlue = plain;
  noGlue.OptGlueMargin = false;
  Options centred = plain;
  centred.OptCenter = true;
  struct Case {
    const char* what;
    PosterLayout layout;
    Options options;
    GlueMargins glue;
    const char* size;
    const char* dpi;
    bool coarse;
  };
  const Case cases[] = {
      // 1000 pixels per sheet: 2 * 4523 = 9046 dots = 38.29 cm, 3 * 6475 = 19425 dots = 82.23 cm;
      // 1000 * 600 / 4523 = 132.7 across, 1000 * 600 / 6475 = 92.7 down: the coarser one counts.
      {"2 x 3 sheets", {2000, 3000, 2, 3, 2.0, 3.0}, plain, {5, 5}, "38.3 x 82.2 cm", "93 dpi", true},
      // Without glue on the poster's edge the picture shrinks to (100 - 5 / 2) % = 1950 and
      // (100 - 5 / 3) % = 2950 pixels, 975 and 983 per sheet, and the last column and row run over
      // their strips: 2000 * 4523 / 975 = 9277.9 dots = 39.28 cm, 3000 * 6475 / 983 = 19760.9
      // dots = 83.65 cm; 983 * 600 / 6475 = 91.1 dpi.
      {"2 x 3, no edge glue", {2000, 3000, 2, 3, 2.0, 3.0}, Options{}, {5, 5}, "39.3 x 83.7 cm", "91 dpi", true},
      // One sheet: 4523 x 6475 dots = 19.15 x 27.41 cm; 3000 * 600 / 4523 = 398, 4000 * 600 / 6475 = 370.7.
      {"one sheet", {3000, 4000, 1, 1, 1.0, 1.0}, plain, {5, 5}, "19.1 x 27.4 cm", "371 dpi", false},
      // 1.6 sheets across: grid Round(1000 * 2 / 1.6) = 1250, 625 per sheet; 1000 * 4523 / 625 =
      // 7236.8 dots = 30.64 cm; 625 * 600 / 4523 = 82.9 dpi. Centring moves, it does not scale.
      {"1.6 sheets centred", {1000, 1000, 2, 1, 1.6, 1.0}, centred, {5, 5}, "30.6 x 27.4 cm", "83 dpi", true},
      // No glue strips: the whole printable page, one picture pixel per dot.
      {"no glue margin", {4761, 6816, 1, 1, 1.0, 1.0}, noGlue, {5, 5}, "20.2 x 28.9 cm", "600 dpi", false},
      // A 10 % strip across: area Round(4761 * 0.9) = 4285 dots = 18.14 cm; 2000 * 600 / 4285 = 280,
      // 3000 * 600 / 6475 = 278.
      {"wider glue strip", {2000, 3000, 1, 1, 1.0, 1.0}, plain, {10, 5}, "18.1 x 27.4 cm", "278 dpi", false},
      // 2 x 2 pixels, 3 sheets across and as high as square: (100 - 5 / 3) % of 2 = 1.9667 pixels,
      // 0.6556 per sheet across and 0.9385 down; 2 * 4523 / 0.6556 = 13799 dots = 58.4 cm both
      // ways. Bands of a pixel or less are drawn as they fall, not rounded to whole pixels.
      {"2 x 2 over 3 sheets", {2, 2, 3, 3, 3.0, 2.0955985}, Options{}, {5, 5}, "58.4 x 58.4 cm", "0 dpi", true},
      // One sheet without edge glue: the picture shrinks to 95 % and runs over both strips, onto
      // Round(4523 / 0.95) = 4761 x Round(6475 / 0.95) = 6816 dots, 20.15 x 28.85 cm; 4000 * 600 /
      // 6816 = 352.1 dpi.
      {"one sheet, no edge glue", {3000, 4000, 1, 1, 1.0, 1.0}, Options{}, {5, 5}, "20.2 x 28.9 cm", "352 dpi", false},
      // At a physical size, drawn from exact spans: 4523 * 1.29339193 / 0.975 = 6000 dots across,
      // 6816 * 0.58685563 = 4000 down (10 x 6.667 inches), shown to the tenth millimetre.
      {"physical size", {3000, 2000, 2, 1, 1.29339193, 0.58685563, true}, Options{}, {5, 5}, "25.40 x 16.93 cm",
       "300 dpi", false},
      {"no picture", {0, 0, 1, 1, 1.0, 1.0}, plain, {5, 5}, "-", "-", false},
      {"no sheets", {2000, 3000, 0, 1, 1.0, 1.0}, plain, {5, 5}, "-", "-", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const PosterPrintSize s = posterPrintSize(defaultA4Metrics(), c.layout, c.options, c.glue);
    EXPECT_EQ(formatPosterSize(s), c.size);
    EXPECT_EQ(formatPosterDpi(s), c.dpi);
    EXPECT_EQ(s.coarse(), c.coarse);
  }
}
