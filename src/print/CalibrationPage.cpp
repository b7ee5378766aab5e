#include "print/CalibrationPage.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "print/CheckRuler.h"

namespace tessaro {

namespace {

// Room kept free around the bars, for the printer's edge and the lengths' text.
constexpr double kInsetMm = 5, kGapMm = 5, kLabelGapMm = 8, kTextMm = 3.5;

int32_t pixels(double mm, int32_t dpi) { return static_cast<int32_t>(std::lround(mm * dpi / 25.4)); }
double millimetres(int32_t pixels, int32_t dpi) { return pixels * 25.4 / dpi; }
int32_t wholeMm(double mm) { return std::max<int32_t>(1, static_cast<int32_t>(std::floor(mm + 1e-9))); }

std::string lengthText(int32_t mm) { return std::to_string(mm) + " mm"; }

// The ruler across, with its length as label, and where the upright one starts.
struct Placement {
  CheckRuler across, down;
  int32_t left = 0, top = 0, downTop = 0;
};

Placement place(const PageMetrics& m) {
  Placement p;
  p.left = pixels(kInsetMm, m.dpiX);
  p.top = pixels(kInsetMm, m.dpiY);
  const int32_t acrossMm = wholeMm(millimetres(m.pageWidth, m.dpiX) - 2 * kInsetMm);
  p.across = {RulerUnit::Millimetre, acrossMm, lengthText(acrossMm)};
  p.downTop = p.top + rulerHeight(p.across, m.dpiY) + pixels(kGapMm, m.dpiY);
  const int32_t downMm = wholeMm(millimetres(m.pageHeight - p.downTop, m.dpiY) - kInsetMm);
  p.down = {RulerUnit::Millimetre, downMm, lengthText(downMm)};
  return p;
}

}  // namespace

CalibrationBars calibrationBars(const PageMetrics& m) {
  const Placement p = place(m);
  return {p.across.length, p.down.length};
}

void drawCalibrationPage(Device& page, const PageMetrics& m) {
  const Placement p = place(m);
  drawCheckRuler(page, p.left, p.top, p.across, m.dpiX, m.dpiY);
  drawUprightCheckRuler(page, p.left, p.downTop, p.down, m.dpiX, m.dpiY);
  const int32_t text = pixels(kTextMm, m.dpiY), textLeft = p.left + pixels(kLabelGapMm, m.dpiX);
  page.setFontHeight(text);
  page.textOut(textLeft, p.downTop + rulerLength(p.down, m.dpiY) / 2, p.down.label);
  const int32_t y = p.downTop + pixels(20, m.dpiY);
  page.textOut(textLeft, y, "Messen Sie beide Linien mit einem Lineal");
  page.textOut(textLeft, y + text * 3 / 2, "und tragen Sie die Längen in Tessaro ein.");
}

PosterPrintResult printCalibrationPage(PrintService& printer) {
  PosterPrintResult result;
  printer.setTitle(kCalibrationJobTitle);
  if (printer.beginDoc()) {
    drawCalibrationPage(printer.page(), printer.metrics());
    if (printer.endDoc()) {
      result.pagesPrinted = 1;
      return result;
    }
  }
  result.status = PosterPrintResult::Status::Failed;
  result.message = failureText(printer, "Die Kalibrierungsseite konnte nicht gedruckt werden.");
  return result;
}

}  // namespace tessaro
