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

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
};

}  // namespace tessaro
