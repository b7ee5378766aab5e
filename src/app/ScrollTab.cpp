#include "app/ScrollTab.h"

#include <QResizeEvent>

#include "common/Numbers.h"

namespace tessaro {

namespace {
constexpr int kScrollLeft = 216;
constexpr int kScrollTop = 8;
constexpr int kBorder = 8;
}  // namespace

ScrollTab::ScrollTab(const QString& tabName, const QString& scrollName, const QString& boxName, const QString& boxHint,
                     QWidget* parent)
    : QWidget(parent) {
  setObjectName(tabName);
  controls_ = new QWidget(this);
  controls_->setGeometry(kBorder, kScrollTop, kScrollLeft - 2 * kBorder, 300);
  controlsLayout_ = new QVBoxLayout(controls_);
  controlsLayout_->setContentsMargins(0, 0, 0, 0);
  controlsLayout_->setSpacing(3);
  scroll_ = new QScrollArea(this);
  scroll_->setObjectName(scrollName);
  scroll_->setWidgetResizable(false);
  scroll_->setGeometry(kScrollLeft, kScrollTop, 345, 281);
  box_ = new PaintBox(boxName, boxHint);
  box_->resize(341, 277);
  scroll_->setWidget(box_);
}

void ScrollTab::setZoomEdit(FloatEdit* zoom) { zoom_ = zoom; }

void ScrollTab::applyZoom(int baseWidth, int baseHeight) {
  // The zoom as its text says, in extended precision: 0.3 x 345 is a tie that goes to 104.
  const Ext z = zoom_ ? zoom_->value() : 1;
  box_->resize(std::max(1, Round(z * baseWidth)), std::max(1, Round(z * baseHeight)));
}

void ScrollTab::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  controls_->setGeometry(kBorder, kScrollTop, kScrollLeft - 2 * kBorder, std::max(0, height() - kScrollTop - kBorder));
  scroll_->setGeometry(kScrollLeft, kScrollTop, std::max(0, width() - kScrollLeft - kBorder),
                       std::max(0, height() - kScrollTop - kBorder));
  const QSize client = scroll_->maximumViewportSize();
  if (onZoomBase) onZoomBase(client.width(), client.height());
  applyZoom(client.width(), client.height());
}

}  // namespace tessaro
