// A printer's calibration: the page the user measures, the factors worked out from the lengths
// measured, and the page scale that applies them, read back with poppler's tools.
#include "print/Calibration.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "pdf/PdfPrintService.h"
#include "print/CalibrationPage.h"
#include "support/FakePrintService.h"
#include "support/PdfPages.h"
#include "support/ReferenceImage.h"

using namespace tessaro;
namespace fs = std::filesystem;

namespace {

// The longest run of dark pixels along one row (or down one column) of the page.
int longestRun(const test::RgbPage& page, bool down) {
  int best = 0;
  const int lines = down ? page.width : page.height, length = down ? page.height : page.width;
  for (int l = 0; l < lines; ++l)
    for (int i = 0, run = 0; i < length; ++i) {
      run = colorRed(down ? page.at(l, i) : page.at(i, l)) < 128 ? run + 1 : 0;
      best = std::max(best, run);
    }
  return best;
}

}  // namespace

TEST(Calibration, FactorsFromMeasuredLengthsOrTheReasonTheyAreRefused) {
  // Bars of 190 and 277 mm on a sheet of 230 x 297 mm; factor = nominal / measured.
  struct Case {
    const char *across, *down;
    std::string says;  // the correction, or part of the refusal
  };
  const Case cases[] = {
      {"190", "277", "Keine Korrektur"},
      {"189,24", "277.83", "Korrektur: waagrecht 100.40 %, senkrecht 99.70 %"},
      {" 191.9 ", "+275", "Korrektur: waagrecht 99.01 %, senkrecht 100.73 %"},
      {"172.8", "251.9", "Korrektur: waagrecht 109.95 %, senkrecht 109.96 %"},
      {"211.1", "277", "Korrektur: waagrecht 90.00 %, senkrecht 100.00 %"},
      {"abc", "277", "„abc“ ist keine Zahl. Bitte für die waagrechte Linie"},
      {"190", "", "„“ ist keine Zahl. Bitte für die senkrechte Linie"},
      {"190", "inf", "ist keine Zahl"},
      {"190", "27 7", "ist keine Zahl"},
      {"0", "277", "Die waagrechte Linie muss länger als 0 mm sein."},
      {"190", "-277", "Die senkrechte Linie muss länger als 0 mm sein."},
      {"230.5", "277", "Die waagrechte Linie kann nicht länger als das Blatt sein (230.0 mm)."},
      {"190", "297.1", "Die senkrechte Linie kann nicht länger als das Blatt sein (297.0 mm)."},
      {"172.6", "277", "um mehr als 10 % von 190.0 mm ab"},  // 110.08 %
      {"211.2", "277", "um mehr als 10 % von 190.0 mm ab"},  // 89.96 %
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.across) + " / " + c.down);
    const CalibrationResult r =
        calibrationFromMeasured({"waagrechte", 190, 230, c.across}, {"senkrechte", 277, 297, c.down});
    const std::string got = r.calibration ? correctionText(r.calibration) : r.error;
    EXPECT_NE(got.find(c.says), std::string::npos) << got;
    EXPECT_EQ(r.calibration.has_value(), got.starts_with("K")) << got;
  }
}

TEST(Calibration, PageBarsAreAsLongAsTheyClaimTimesThePageScale) {
  // A4 at 100 dpi with a 2 mm border; poppler renders the page and reads its text.
  constexpr int32_t kDpi = 100;
  const PageMetrics m = test::smallPage(827, 1169, 8, kDpi);
  for (const Calibration scale : {Calibration{}, Calibration{1.01, 0.99}, Calibration{0.99, 1.01}}) {
    SCOPED_TRACE(scale.horizontal);
    const fs::path pdf = test::tempPath("calibration-page.pdf");
    PdfPrintService printer(pdf.string(), m);
    printer.setPageScale(scale);
    ASSERT_TRUE(printCalibrationPage(printer).ok());
    const std::string text = test::pdfText(pdf.string());
    EXPECT_NE(text.find("Messen Sie beide Linien mit einem Lineal"), std::string::npos) << text;
    std::smatch mm;
    std::vector<int> lengths;
    for (std::string rest = text; std::regex_search(rest, mm, std::regex("(\\d+) mm")); rest = mm.suffix())
      lengths.push_back(std::stoi(mm[1]));
    ASSERT_EQ(lengths.size(), 2u) << text;
    // The bars fill the page but for a margin: on A4 some 19 and 27 cm.
    EXPECT_GT(lengths[0], 190);
    EXPECT_LT(lengths[0], 207);
    EXPECT_GT(lengths[1], 260);
    EXPECT_LT(lengths[1], 290);
    const std::optional<test::RgbPage> page = test::renderPdfPage(pdf.string(), 1, kDpi);
    ASSERT_TRUE(page);
    // A bar is its stroke and the last tick's pixel: within a pixel or two of its length, scaled.
    EXPECT_NEAR(longestRun(*page, false), lengths[0] / 25.4 * kDpi * scale.horizontal, 2);
    EXPECT_NEAR(longestRun(*page, true), lengths[1] / 25.4 * kDpi * scale.vertical, 2);
    fs::remove(pdf);
  }
}
