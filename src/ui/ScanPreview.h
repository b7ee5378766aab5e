#pragma once
// The preview of the scan dialog: the device's whole area in millimetres, the low-resolution
// preview scan on it, and the area to scan as a frame the user drags.
#include <QImage>
#include <QRectF>
#include <QWidget>

namespace tessaro {

class ScanPreview : public QWidget {
  Q_OBJECT
 public:
  explicit ScanPreview(QWidget* parent = nullptr);
  // The whole area the device can scan, in mm; the preview picture covers all of it.
  void setBounds(const QRectF& mm);
  void setImage(const QImage& image);
  void setFrame(const QRectF& mm);
  QRectF frame() const { return frame_; }
  // Where the whole area is drawn, in widget pixels.
  QRectF drawnArea() const;
  QPointF toMm(const QPointF& widgetPoint) const;
  QSize sizeHint() const override { return {240, 300}; }

 signals:
  // The user dragged a new frame.
  void frameDragged(const QRectF& mm);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;

 private:
  QRectF toWidget(const QRectF& mm) const;

  QRectF bounds_;
  QRectF frame_;
  QImage image_;
  QPointF dragStart_;
};

}  // namespace tessaro
