#include "app/WindowFixture.h"

namespace tessaro::test {

PageMetrics testPageMetrics() {
  PageMetrics m;
  m.physicalWidth = 4960;
  m.physicalHeight = 7016;
  m.dpiX = m.dpiY = 600;
  m.offsetX = m.offsetY = 100;
  m.pageWidth = 4000;
  m.pageHeight = 6000;
  return m;
}

}  // namespace tessaro::test
