#include "platform/MessageBoxes.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace tessaro {

namespace {

QMessageBox::Icon toQt(MessageBoxes::Icon icon) {
  switch (icon) {
    case MessageBoxes::Icon::Information:
      return QMessageBox::Information;
    case MessageBoxes::Icon::Warning:
      return QMessageBox::Warning;
    case MessageBoxes::Icon::Error:
      return QMessageBox::Critical;
    case MessageBoxes::Icon::Question:
      return QMessageBox::Question;
    case MessageBoxes::Icon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

class QtMessageBoxes final : public MessageBoxes {
 public:
  bool askOkCancel(QWidget* parent, const QString& caption, const QString& text, Icon icon) override {
    return run(parent, caption, text, icon, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) == QMessageBox::Ok;
  }
  bool askYesNo(QWidget* parent, const QString& caption, const QString& text, Icon icon, bool noIsDefault) override {
    return run(parent, caption, text, icon, QMessageBox::Yes | QMessageBox::No,
               noIsDefault ? QMessageBox::No : QMessageBox::Yes) == QMessageBox::Yes;
  }
  void tell(QWidget* parent, const QString& caption, const QString& text, Icon icon) override {
    run(parent, caption, text, icon, QMessageBox::Ok, QMessageBox::Ok);
  }

 private:
  static int run(QWidget* parent, const QString& caption, const QString& text, Icon icon,
                 QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton) {
    QMessageBox box(toQt(icon), caption, text, buttons, parent);
    box.setDefaultButton(defaultButton);
    if (QAbstractButton* b = box.button(QMessageBox::Cancel)) b->setText(QStringLiteral("Abbrechen"));
    if (QAbstractButton* b = box.button(QMessageBox::Yes)) b->setText(QStringLiteral("&Ja"));
    if (QAbstractButton* b = box.button(QMessageBox::No)) b->setText(QStringLiteral("&Nein"));
    return box.exec();
  }
};

MessageBoxes* installed = nullptr;

}  // namespace

MessageBoxes& messageBoxes() {
  static QtMessageBoxes real;
  return installed ? *installed : real;
}

void setMessageBoxes(MessageBoxes* boxes) { installed = boxes; }

}  // namespace tessaro
