#include "ui/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tessaro {

namespace {

QPixmap canvas() {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  return pm;
}

}  // namespace

QIcon tabIcon(int index) {
  QPixmap pm = canvas();
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(40, 40, 40), 1));
  switch (index) {
    case 0:  // folder
      p.setBrush(QColor(240, 200, 80));
      p.drawRect(1, 4, 14, 10);
      p.drawRect(1, 2, 6, 2);
      break;
    case 1:  // scanner
      p.setBrush(QColor(180, 180, 190));
      p.drawRect(1, 7, 14, 6);
      p.setBrush(QColor(120, 200, 255));
      p.drawRect(2, 4, 12, 3);
      break;
    case 2:  // brush
      p.setBrush(QColor(200, 60, 60));
      p.drawEllipse(2, 9, 5, 5);
      p.drawLine(5, 10, 14, 1);
      break;
    case 3:  // gear-like settings
      p.setBrush(QColor(150, 150, 160));
      p.drawEllipse(2, 2, 12, 12);
      p.setBrush(Qt::white);
      p.drawEllipse(6, 6, 4, 4);
      break;
    case 4:  // grid of sheets
      p.setBrush(Qt::white);
      for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) p.drawRect(1 + i * 7, 1 + j * 7, 6, 6);
      break;
    case 5:  // printer
      p.setBrush(Qt::white);
      p.drawRect(4, 1, 8, 6);
      p.setBrush(QColor(110, 110, 120));
      p.drawRect(1, 6, 14, 6);
      p.setBrush(Qt::white);
      p.drawRect(4, 10, 8, 5);
      break;
    default:  // passport photos
      p.setBrush(QColor(230, 230, 240));
      p.drawRect(2, 1, 12, 14);
      p.setBrush(QColor(220, 170, 140));
      p.drawEllipse(5, 3, 6, 6);
      p.drawRect(4, 10, 8, 4);
      break;
  }
  return QIcon(pm);
}

QIcon programIcon() {
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setPen(QPen(QColor(90, 10, 10), 1));
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 2; ++j) {
      p.setBrush(QColor::fromHsv((i * 2 + j) * 50, 160, 230));
      p.drawRect(1 + i * 10, 6 + j * 10, 9, 9);
    }
  return QIcon(pm);
}

}  // namespace tessaro
