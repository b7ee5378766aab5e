#pragma once
// A printer's calibration: the scale across and down that makes its prints come out at their true
// size. Worked out from the two bars of the calibration page as the user measured them.
#include <optional>
#include <string>
#include <string_view>

#include "print/PrintService.h"

namespace tessaro {

struct Calibration {
  double horizontal = 1.0;  // 1.0: the printer needs no correction that way
  double vertical = 1.0;
  bool none() const { return horizontal == 1.0 && vertical == 1.0; }
};

// The factors may correct this much at most either way; more is a misreading, not a printer.
inline constexpr double kMinCalibration = 0.9, kMaxCalibration = 1.1;

// A length in millimetres as typed: a point or a comma before the decimals.
std::optional<double> parseMillimetres(std::string_view text);

// One bar of the calibration page as printed and measured.
struct MeasuredBar {
  const char* name;      // "waagrechte", "senkrechte"
  double nominalMm;      // the length it was drawn at
  double sheetMm;        // the sheet's size that way: nothing printed on it is longer
  std::string measured;  // as the user typed it
};

struct CalibrationResult {
  std::optional<Calibration> calibration;
  std::string error;  // German, when the measurements are refused
};

// factor = nominal / measured, for both bars; refuses text that is no number, a length of 0 or
// less or longer than the sheet, and a factor outside kMinCalibration .. kMaxCalibration.
CalibrationResult calibrationFromMeasured(const MeasuredBar& across, const MeasuredBar& down);

// "Korrektur: waagrecht 100.40 %, senkrecht 99.70 %", or "Keine Korrektur".
std::string correctionText(const std::optional<Calibration>& calibration);

// The sheet's size in millimetres across and down.
double sheetWidthMm(const PageMetrics& m);
double sheetHeightMm(const PageMetrics& m);

}  // namespace tessaro
