#pragma once
// The about box "Info".
#include <QDialog>

namespace tessaro {

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);
};

}  // namespace tessaro
