#pragma once
// A plain surface whose painting and clicks are handled by its owner (the preview boxes).
#include <QWidget>
#include <functional>

namespace tessaro {

class PaintBox : public QWidget {
  Q_OBJECT
 public:
  explicit PaintBox(const QString& name, const QString& hint, QWidget* parent = nullptr);
  std::function<void(QPainter&)> onPaint;
  std::function<void(QMouseEvent*)> onMouseDown;
  // Moves arrive without a button pressed only while mouse tracking is on.
  std::function<void(QMouseEvent*)> onMouseMove;
  std::function<void(QMouseEvent*)> onMouseUp;

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
};

}  // namespace tessaro
