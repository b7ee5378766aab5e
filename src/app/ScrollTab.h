#pragma once
// A tab with controls on the left and a zoomable paint box in a scroll box at (216, 8). When the
// tab is resized, the scroll box keeps an 8-pixel border to the right and bottom, its visible
// size becomes the zoom base, and the paint box takes zoom times that base.
#include <QScrollArea>
#include <QVBoxLayout>
#include <QWidget>
#include <functional>

#include "app/PaintBox.h"
#include "ui/FloatEdit.h"

namespace tessaro {

class ScrollTab : public QWidget {
  Q_OBJECT
 public:
  ScrollTab(const QString& tabName, const QString& scrollName, const QString& boxName, const QString& boxHint,
            QWidget* parent = nullptr);

  QWidget* controls() const { return controls_; }
  QVBoxLayout* controlsLayout() const { return controlsLayout_; }
  QScrollArea* scrollBox() const { return scroll_; }
  PaintBox* paintBox() const { return box_; }
  // The tab's zoom edit; sizes the paint box from the zoom base.
  void setZoomEdit(FloatEdit* zoom);
  // Paint box size := Round(zoom * base) in both directions.
  void applyZoom(int baseWidth, int baseHeight);

  // Called after a resize with the scroll box's new client size (the new zoom base).
  std::function<void(int, int)> onZoomBase;

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  QWidget* controls_;
  QVBoxLayout* controlsLayout_;
  QScrollArea* scroll_;
  PaintBox* box_;
  FloatEdit* zoom_ = nullptr;
};

}  // namespace tessaro
