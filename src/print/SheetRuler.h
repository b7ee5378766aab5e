#pragma once
// The check ruler on a printed sheet: a 50 mm bar on the bottom glue strip, right of the glue
// note and clear of the sheet label, so the glued poster does not show it.
#include <cstdint>

#include "picture/Device.h"
#include "print/SheetLabels.h"
#include "state/MainState.h"

namespace tessaro {

// Where the bar's top left corner goes; placed false when the strip cannot hold it. `labelled`
// says whether the sheet carries its label, which the bar keeps clear of.
struct RulerPlacement {
  bool placed = false;
  int32_t x = 0, y = 0;
};
RulerPlacement placeSheetRuler(Device& dc, const SheetPage& page, const Options& options, int32_t dpiX, int32_t dpiY,
                               bool labelled);

void drawSheetRuler(Device& dc, const SheetPage& page, const Options& options, int32_t dpiX, int32_t dpiY,
                    bool labelled);

}  // namespace tessaro
