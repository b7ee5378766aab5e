#include "ui/ElidingComboBox.h"

#include <QAbstractItemView>
#include <QScrollBar>
#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace tessaro {

void ElidingComboBox::showPopup() {
  // The entries as the drop-down draws them, with room for its frame and a scroll bar.
  QAbstractItemView* list = view();
  list->setMinimumWidth(list->sizeHintForColumn(0) + 2 * list->frameWidth() +
                        list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list->verticalScrollBar()));
  QComboBox::showPopup();
}

void ElidingComboBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  const int iconRoom = option.currentIcon.isNull() ? 0 : option.iconSize.width() + 4;
  option.currentText = fontMetrics().elidedText(option.currentText, Qt::ElideRight, field.width() - iconRoom - 2);
  painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

}  // namespace tessaro
