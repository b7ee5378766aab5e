#include "ui/PictureButton.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

namespace tessaro {

namespace {

QPixmap drawButton(const QString& caption, QSize size, bool down) {
  QPixmap pm(size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 0, size.height());
  g.setColorAt(0, down ? QColor(150, 20, 20) : QColor(230, 70, 60));
  g.setColorAt(1, down ? QColor(200, 60, 50) : QColor(160, 25, 25));
  p.setBrush(g);
  p.setPen(QPen(QColor(90, 10, 10), 1));
  p.drawRoundedRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1), 6, 6);
  QFont f = p.font();
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRect(QPoint(down ? 1 : 0, down ? 1 : 0), size), Qt::AlignCenter, caption);
  return pm;
}

// Without this, assistive tools see a bare widget ("filler") and cannot press it.
class AccessiblePictureButton : public QAccessibleWidget {
 public:
  explicit AccessiblePictureButton(PictureButton* button) : QAccessibleWidget(button, QAccessible::PushButton) {}

  QStringList actionNames() const override { return QStringList(pressAction()) + QAccessibleWidget::actionNames(); }
  void doAction(const QString& action) override {
    if (action != pressAction()) {
      QAccessibleWidget::doAction(action);
      return;
    }
    // Queued like a push button's animated click: the caller gets its answer before a dialog the
    // click opens runs its own event loop.
    if (widget()->isEnabled())
      QMetaObject::invokeMethod(static_cast<PictureButton*>(widget()), &PictureButton::click, Qt::QueuedConnection);
  }
};

QAccessibleInterface* accessibleFor(const QString&, QObject* object) {
  auto* button = qobject_cast<PictureButton*>(object);
  return button ? new AccessiblePictureButton(button) : nullptr;
}

}  // namespace

PictureButton::PictureButton(const QString& name, const QString& caption, const QString& hint, QSize size,
                             QWidget* parent)
    : QWidget(parent), normal_(drawButton(caption, size, false)), down_(drawButton(caption, size, true)) {
  // Before the first accessibility event below, which makes Qt pick and keep an interface.
  static const bool accessible = [] {
    QAccessible::installFactory(accessibleFor);
    return true;
  }();
  Q_UNUSED(accessible);
  setObjectName(name);
  setToolTip(hint);
  setAccessibleName(caption);
  setAccessibleDescription(hint);
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::StrongFocus);
  setFixedSize(size);
}

void PictureButton::release() {
  pressed_ = false;
  showPressed_ = false;
  update();
}

void PictureButton::click() {
  release();
  emit clicked();
}

void PictureButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawPixmap(0, 0, showPressed_ ? down_ : normal_);
  if (hasFocus()) {
    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
    p.drawRect(rect().adjusted(3, 3, -4, -4));
  }
}

void PictureButton::mousePressEvent(QMouseEvent*) {
  pressed_ = true;
  showPressed_ = true;
  update();
}

void PictureButton::mouseMoveEvent(QMouseEvent* e) {
  if (!pressed_) return;
  const bool inside = rect().contains(e->position().toPoint());
  if (inside != showPressed_) {
    showPressed_ = inside;
    update();
  }
}

void PictureButton::mouseReleaseEvent(QMouseEvent* e) {
  const bool click = pressed_ && rect().contains(e->position().toPoint()) && e->button() == Qt::LeftButton;
  release();
  if (click) emit clicked();
}

void PictureButton::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    click();
    return;
  }
  QWidget::keyPressEvent(e);
}

}  // namespace tessaro
