#pragma once
// The two dialogs of a colour depth change: "Anzahl der Farben ändern" chooses one of the four
// depths; "Farbtiefe verkleinern..." chooses palette, method and options of a reduction. Both
// live as long as the window, so the user's last choices are the next preselection.
#include <QDialog>

class QComboBox;
class QRadioButton;
class QCheckBox;
class QPushButton;

namespace tessaro {

class TDepthChangeForm : public QDialog {
  Q_OBJECT
 public:
  explicit TDepthChangeForm(QWidget* parent = nullptr);
  // The item that matches a bit count (1, 4, 8, 24; item 0 for any other).
  static int itemOf(int bitCount);
  // The bit count of the chosen item; 24 when none is chosen.
  int chosenBits() const;

  QComboBox* ColorBox;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
};

// What a reduction does, as read from the options dialog.
struct DepthDownChoice {
  int method = 1;  // 0 nearest colour, 1 Floyd-Steinberg error diffusion, 2 ordered dither
  bool optimisedPalette = true;
  bool systemColours = true;
};

class TDepthDownForm : public QDialog {
  Q_OBJECT
 public:
  explicit TDepthDownForm(QWidget* parent = nullptr);
  // Enables the controls for a reduction to `bits` (1, 4 or 8); checked states stay as they are.
  void setUp(int bits);
  void OptPalCheckClick();
  void StdPalCheckClick();
  // The choice as the checked states say, enabled or not.
  DepthDownChoice choice() const;

  QRadioButton* OptPalCheck;
  QRadioButton* StdPalCheck;
  QRadioButton* NearCheck;
  QRadioButton* DitherCheck;
  QRadioButton* FSErrCheck;
  QCheckBox* WinColCheck;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  bool DitherAllowed = false;

 private:
  void paletteClicked();
};

}  // namespace tessaro
