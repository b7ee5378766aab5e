#include "ui/DialogFit.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLayout>
#include <algorithm>

namespace tessaro {

namespace {

class TextFit : public QObject {
 public:
  explicit TextFit(QDialog& dialog) : QObject(&dialog), dialog_(dialog), designed_(dialog.minimumSize()) {
    dialog.installEventFilter(this);
    fit();
  }

  bool eventFilter(QObject* watched, QEvent* e) override {
    const QEvent::Type t = e->type();
    if (watched == &dialog_ && (t == QEvent::LayoutRequest || t == QEvent::FontChange ||
                                t == QEvent::WindowTitleChange || t == QEvent::StyleChange))
      fit();
    return false;
  }

 private:
  void fit() {
    QSize least = designed_;
    if (const QLayout* layout = dialog_.layout()) least = least.expandedTo(layout->totalMinimumSize());
    least.setWidth(std::max(least.width(), titleBarWidth(dialog_)));
    if (least != dialog_.minimumSize()) dialog_.setMinimumSize(least);
  }

  QDialog& dialog_;
  const QSize designed_;
};

}  // namespace

void keepTextsWhole(QDialog& dialog) { new TextFit(dialog); }

int titleBarWidth(const QWidget& window) {
  // Window managers draw the title bold and often larger than the window's own text, between the
  // window's icon and its three buttons: about twelve lines' height with their margins.
  QFont font = window.font();
  font.setBold(true);
  if (font.pointSizeF() > 0)
    font.setPointSizeF(font.pointSizeF() * 1.2);
  else
    font.setPixelSize(font.pixelSize() * 6 / 5);
  const QFontMetrics metrics(font);
  return metrics.horizontalAdvance(window.windowTitle()) + 12 * metrics.height();
}

}  // namespace tessaro
