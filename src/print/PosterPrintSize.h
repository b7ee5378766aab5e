#pragma once
// What the printed poster measures: its size in centimetres and the picture pixels per inch it
// gets, from the page metrics, sheets, glue strips and options the print uses.
#include <cstdint>
#include <string>

#include "common/Numbers.h"
#include "print/PrintService.h"
#include "print/SheetBand.h"
#include "state/MainState.h"

namespace tessaro {

// Below this resolution the print looks coarse.
inline constexpr int32_t kCoarseDpi = 100;

// The finished poster is the printed picture once the sheets are glued: the picture's W x H
// pixels at the scale the print stretches them to. Glue strips under the next sheet overlap and
// add nothing; a last sheet that keeps its strip printed (no glue on the poster's edge) counts
// with it, and blank paper beyond the picture (fractional sheets, centring) does not count.
struct PosterPrintSize {
  bool valid = false;  // false when the layout holds no band (no picture, no sheets, no resolution)
  Ext widthCm = 0;
  Ext heightCm = 0;
  // Picture pixels per inch of poster, rounded; of the coarser direction when the picture is
  // stretched unevenly, as that one decides how the print looks.
  int32_t dpi = 0;
  bool physical = false;  // printed at the picture's physical size, so shown to the tenth millimetre
  bool coarse() const { return valid && dpi < kCoarseDpi; }
};

PosterPrintSize posterPrintSize(const PageMetrics& m, const PosterLayout& layout, const Options& options,
                                const GlueMargins& glue);

// "41.6 x 58.9 cm" ("25.40 x 16.93 cm" at a physical size) and "145 dpi", with a point whatever
// the locale; a dash when not valid.
std::string formatPosterSize(const PosterPrintSize& size);
std::string formatPosterDpi(const PosterPrintSize& size);

}  // namespace tessaro
