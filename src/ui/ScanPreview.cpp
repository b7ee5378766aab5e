#include "ui/ScanPreview.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace tessaro {

ScanPreview::ScanPreview(QWidget* parent) : QWidget(parent) {
  setObjectName("PreviewBox");
  setAccessibleName(QStringLiteral("Vorschau"));
  setCursor(Qt::CrossCursor);
  setMinimumSize(120, 150);
}

void ScanPreview::setBounds(const QRectF& mm) {
  bounds_ = mm;
  update();
}

void ScanPreview::setImage(const QImage& image) {
  image_ = image;
  update();
}

void ScanPreview::setFrame(const QRectF& mm) {
  frame_ = mm;
  update();
}

QRectF ScanPreview::drawnArea() const {
  if (bounds_.width() <= 0 || bounds_.height() <= 0) return {};
  const qreal scale = std::min((width() - 2) / bounds_.width(), (height() - 2) / bounds_.height());
  return {1, 1, bounds_.width() * scale, bounds_.height() * scale};
}

QRectF ScanPreview::toWidget(const QRectF& mm) const {
  const QRectF area = drawnArea();
  if (area.isEmpty()) return {};
  const qreal s = area.width() / bounds_.width();
  return {area.left() + (mm.left() - bounds_.left()) * s, area.top() + (mm.top() - bounds_.top()) * s, mm.width() * s,
          mm.height() * s};
}

QPointF ScanPreview::toMm(const QPointF& p) const {
  const QRectF area = drawnArea();
  if (area.isEmpty()) return bounds_.topLeft();
  const qreal s = bounds_.width() / area.width();
  const qreal x = std::clamp(bounds_.left() + (p.x() - area.left()) * s, bounds_.left(), bounds_.right());
  const qreal y = std::clamp(bounds_.top() + (p.y() - area.top()) * s, bounds_.top(), bounds_.bottom());
  return {x, y};
}

void ScanPreview::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  const QRectF area = drawnArea();
  if (area.isEmpty()) return;
  p.fillRect(area, Qt::white);
  if (!image_.isNull()) p.drawImage(area, image_);
  p.setPen(Qt::gray);
  p.drawRect(area);
  if (!frame_.isEmpty()) {
    p.setPen(QPen(Qt::red, 1, Qt::DashLine));
    p.drawRect(toWidget(frame_));
  }
}

void ScanPreview::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  dragStart_ = toMm(e->position());
}

void ScanPreview::mouseMoveEvent(QMouseEvent* e) {
  if (!(e->buttons() & Qt::LeftButton)) return;
  frame_ = QRectF(dragStart_, toMm(e->position())).normalized();
  update();
  emit frameDragged(frame_);
}

}  // namespace tessaro
