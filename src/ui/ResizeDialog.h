#pragma once
// The dialog "Größe verändern": new width and height, coupled by the picture's aspect ratio when
// "Seitenverhältnis beibehalten" is ticked, and whether colours are interpolated. The two check
// boxes are remembered between runs of the program.
#include <QDialog>
#include <cstdint>

class QCheckBox;
class QPushButton;
class QSpinBox;

namespace tessaro {

class TResizeForm : public QDialog {
  Q_OBJECT
 public:
  // Reads the remembered check boxes.
  explicit TResizeForm(QWidget* parent = nullptr);

  // Sets the dialog up for a picture of this size and depth, shows it modally and, on OK, gives
  // the new size and the interpolation choice. False for anything but OK.
  static bool run(QWidget* parent, int32_t width, int32_t height, int bitCount, int32_t& newW, int32_t& newH,
                  bool& interpolate);

  // What run does before showing: interpolation only offered above 8 bits, the size entered.
  void prepare(int32_t width, int32_t height, int bitCount);
  // What run gives back after OK. The interpolation box counts even while it is disabled.
  void readResult(int32_t& newW, int32_t& newH, bool& interpolate) const;
  // OK also remembers the two check boxes.
  void accept() override;

  void BreitEditChange();
  void HochEditChange();
  void SverhCheckClick();
  void FormActivate();

  QSpinBox* BreitEdit;
  QSpinBox* HochEdit;
  QCheckBox* SverhCheck;
  QCheckBox* InterpolCheck;
  QPushButton* OkBtn;
  QPushButton* CancelBtn;

  int32_t OrigWidth = 0;
  int32_t OrigHeight = 0;
  bool Syncing = false;  // set while one edit writes the other, so that one does not write back

 private:
  void follow(QSpinBox* partner, QSpinBox* leader, int32_t partnerSide, int32_t leaderSide);
};

}  // namespace tessaro
