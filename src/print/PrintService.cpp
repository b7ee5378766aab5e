#include "print/PrintService.h"

namespace tessaro {

PageMetrics defaultA4Metrics() {
  // 210 x 297 mm at 600 dpi with a 1/6 inch border, as common laser printers report it.
  PageMetrics m;
  m.dpiX = m.dpiY = 600;
  m.physicalWidth = 4961;
  m.physicalHeight = 7016;
  m.offsetX = m.offsetY = 100;
  m.pageWidth = m.physicalWidth - 2 * m.offsetX;
  m.pageHeight = m.physicalHeight - 2 * m.offsetY;
  return m;
}

}  // namespace tessaro
