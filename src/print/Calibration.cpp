#include "print/Calibration.h"

#include <cstdio>

#include "common/FloatText.h"

namespace tessaro {

namespace {

std::string mmText(double mm) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f mm", mm);
  return buf;
}

// The factor of one bar, or the reason it is refused.
std::optional<double> factorOf(const MeasuredBar& bar, std::string& error) {
  const std::string which = std::string("Die ") + bar.name + " Linie";
  const std::optional<double> mm = parseMillimetres(bar.measured);
  if (!mm) {
    error = "„" + bar.measured + "“ ist keine Zahl. Bitte für die " + bar.name +
            " Linie die gemessene Länge in mm eingeben (etwa 189,6).";
  } else if (!(*mm > 0)) {
    error = which + " muss länger als 0 mm sein.";
  } else if (*mm > bar.sheetMm) {
    error = which + " kann nicht länger als das Blatt sein (" + mmText(bar.sheetMm) + ").";
  } else if (const double f = bar.nominalMm / *mm; f < kMinCalibration || f > kMaxCalibration) {
    error = which + " weicht mit " + mmText(*mm) + " um mehr als 10 % von " + mmText(bar.nominalMm) +
            " ab. Bitte noch einmal messen.";
  } else {
    return f;
  }
  return std::nullopt;
}

}  // namespace

std::optional<double> parseMillimetres(std::string_view text) {
  std::string s(text);
  for (char& c : s)
    if (c == ',') c = '.';
  const std::optional<Ext> v = parseFloat(s);
  if (!v) return std::nullopt;
  return static_cast<double>(*v);
}

CalibrationResult calibrationFromMeasured(const MeasuredBar& across, const MeasuredBar& down) {
  CalibrationResult result;
  const std::optional<double> h = factorOf(across, result.error);
  if (!h) return result;
  const std::optional<double> v = factorOf(down, result.error);
  if (v) result.calibration = Calibration{*h, *v};
  return result;
}

std::string correctionText(const std::optional<Calibration>& c) {
  if (!c || c->none()) return "Keine Korrektur";
  char buf[96];
  std::snprintf(buf, sizeof buf, "Korrektur: waagrecht %.2f %%, senkrecht %.2f %%", c->horizontal * 100,
                c->vertical * 100);
  return buf;
}

double sheetWidthMm(const PageMetrics& m) { return m.physicalWidth * 25.4 / m.dpiX; }
double sheetHeightMm(const PageMetrics& m) { return m.physicalHeight * 25.4 / m.dpiY; }

}  // namespace tessaro
