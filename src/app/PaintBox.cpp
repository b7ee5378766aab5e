#include "app/PaintBox.h"

#include <QMouseEvent>
#include <QPainter>

namespace tessaro {

PaintBox::PaintBox(const QString& name, const QString& hint, QWidget* parent) : QWidget(parent) {
  setObjectName(name);
  setToolTip(hint);
  setAccessibleName(hint);
}

void PaintBox::paintEvent(QPaintEvent*) {
  if (!onPaint) return;
  QPainter p(this);
  onPaint(p);
}

void PaintBox::mousePressEvent(QMouseEvent* e) {
  if (onMouseDown) onMouseDown(e);
}

// While a button is held, Qt keeps sending moves and the release here even outside the box.
void PaintBox::mouseMoveEvent(QMouseEvent* e) {
  if (onMouseMove) onMouseMove(e);
}

void PaintBox::mouseReleaseEvent(QMouseEvent* e) {
  if (onMouseUp) onMouseUp(e);
}

}  // namespace tessaro
