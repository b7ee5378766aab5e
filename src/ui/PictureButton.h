#pragma once
// A button drawn as a picture with a pressed twin: the pressed picture shows while the left
// mouse button is held over it and the normal one returns when the pointer leaves or the button
// is released. A release over the button clicks it; Space and Enter click it from the keyboard.
// Screen readers see it as a push button whose press action clicks it.
#include <QPixmap>
#include <QWidget>

namespace tessaro {

class PictureButton : public QWidget {
  Q_OBJECT
 public:
  PictureButton(const QString& name, const QString& caption, const QString& hint, QSize size,
                QWidget* parent = nullptr);
  bool pressedShown() const { return showPressed_; }
  bool pressedFlag() const { return pressed_; }
  // Back to the normal picture; every click action starts with this.
  void release();
  // Clicks the button as a release over it would.
  void click();
  QSize sizeHint() const override { return normal_.size() / normal_.devicePixelRatio(); }

 signals:
  void clicked();

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  // down_ is the pressed twin: HilfeBtn2 of HilfeBtn, ueberBtn2 of ueberbtn, EndeBtnDown of EndeBtn
  // and so on.
  QPixmap normal_, down_;
  bool pressed_ = false;      // the pressed flag: between mouse down and up
  bool showPressed_ = false;  // which picture is visible
};

}  // namespace tessaro
