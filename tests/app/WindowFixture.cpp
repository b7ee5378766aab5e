#include "app/WindowFixture.h"

#include "app/Remembered.h"

namespace tessaro::test {

FirstRun::FirstRun() {
  QSettings stored = programSettings();
  for (const char* group : {"Options", "Load", "Window"}) stored.remove(QString::fromLatin1(group));
}

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
