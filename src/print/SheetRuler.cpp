#include "print/SheetRuler.h"

#include <algorithm>
#include <string>

#include "print/CheckRuler.h"
#include "print/GlueNotes.h"

namespace tessaro {

RulerPlacement placeSheetRuler(Device& dc, const SheetPage& page, const Options& options, int32_t dpiX, int32_t dpiY,
                               bool labelled) {
  RulerPlacement out;
  if (dpiX <= 0 || dpiY <= 0) return out;
  const DeviceRect visible = visiblePart(page, options);
  const int32_t strip = page.PH - visible.bottom;
  if (strip <= 0) return out;
  const int32_t pad = std::max(1, strip / 10);
  const int32_t length = rulerLength(kMarginRuler, dpiX) + 1, height = rulerHeight(kMarginRuler, dpiY);
  if (height > strip - 2 * pad) return out;
  // Right-aligned at the page's edge; the left end must stay clear of the note and the label.
  const int32_t x = page.PW - pad - length;
  int32_t leftLimit = pad;
  if (sheetHasGlueNote(options, page.SheetsX, page.SheetsY, page.col, page.row)) {
    dc.setFontHeight(glueNoteFontHeight(page.PH, page.AreaHeight));
    leftLimit = (page.PW + dc.textExtent(std::string(kGlueNote)).width) / 2 + pad;
  }
  if (labelled) {
    const LabelPlacement label = placeSheetLabel(dc, page, options);
    if (label.placed && label.box.top < page.PH && label.box.bottom > visible.bottom)
      leftLimit = std::max(leftLimit, label.box.right + pad);
  }
  if (x < leftLimit) return out;
  return {true, x, visible.bottom + (strip - height) / 2};
}

void drawSheetRuler(Device& dc, const SheetPage& page, const Options& options, int32_t dpiX, int32_t dpiY,
                    bool labelled) {
  const RulerPlacement at = placeSheetRuler(dc, page, options, dpiX, dpiY, labelled);
  if (at.placed) drawCheckRuler(dc, at.x, at.y, kMarginRuler, dpiX, dpiY);
}

}  // namespace tessaro
