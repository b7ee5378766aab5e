#pragma once
// The calibration page: a bar across and a bar down the printable area, each as long in whole
// millimetres as the page allows, with millimetre ticks and its length written beside it. The user
// measures both on paper; Calibration turns the lengths into the printer's correction.
#include <cstdint>

#include "picture/Device.h"
#include "print/PosterPrintJob.h"
#include "print/PrintService.h"

namespace tessaro {

inline constexpr const char* kCalibrationJobTitle = "Tessaro Kalibrierung";

// The bars' nominal lengths in millimetres on a page of these metrics.
struct CalibrationBars {
  int32_t acrossMm = 0;
  int32_t downMm = 0;
};
CalibrationBars calibrationBars(const PageMetrics& m);

void drawCalibrationPage(Device& page, const PageMetrics& m);
// The page as a document of its own.
PosterPrintResult printCalibrationPage(PrintService& printer);

}  // namespace tessaro
