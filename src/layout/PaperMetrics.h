#pragma once
// The printer's paper size, unprintable borders and glue strips in millimetres, as shown in the
// group "Papierformat". Everything else measures in device pixels; this is display only.
#include <array>
#include <string>

#include "common/Numbers.h"
#include "print/PrintService.h"
#include "state/MainState.h"

namespace tessaro {

// Device pixels to millimetres with the program's factor 297 / 3510 * 300 (about 25.385 mm per
// inch); the product v * 297 is an integer product.
Ext pixelsToMm(int32_t v, int32_t dpi);
// Fixed point with two decimals and a point, whatever the locale.
std::string formatMm(Ext mm);

// The seven texts in the order of the fields: paper size, top, left, right, bottom border, right
// and bottom glue margin.
struct PaperTexts {
  std::string paper, top, left, right, bottom, glueRight, glueBottom;
};
PaperTexts paperTexts(const PageMetrics& m, const GlueMargins& glue);

}  // namespace tessaro
