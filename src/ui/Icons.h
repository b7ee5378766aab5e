#pragma once
// The program's own small pictures: tab icons and the window icon, drawn at start.
#include <QIcon>

namespace tessaro {

// Icon of tab `index` (0 .. 6: load, scan, retouch, settings, print size, print, passport).
QIcon tabIcon(int index);
QIcon programIcon();

}  // namespace tessaro
