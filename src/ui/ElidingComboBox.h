#pragma once
// A combo box narrower than its entries: the closed box ends the chosen entry with "…" where it
// is cut (its tool tip should name the entry whole), and the drop-down is as wide as the longest
// entry, as far as the screen allows.
#include <QComboBox>

namespace tessaro {

class ElidingComboBox : public QComboBox {
  Q_OBJECT
 public:
  using QComboBox::QComboBox;
  void showPopup() override;

 protected:
  void paintEvent(QPaintEvent* e) override;
};

}  // namespace tessaro
