#pragma once
// The about box "Info".
#include <QDialog>

namespace tessaro {

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);

 protected:
  // In the middle of the screen the main window is on, not over the window.
  void showEvent(QShowEvent* e) override;
};

}  // namespace tessaro
