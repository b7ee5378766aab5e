#pragma once
// The tab "Paßbilder": one page full of equal copies of the picture, its settings, preview and
// print button.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "app/ScrollTab.h"
#include "ui/FloatEdit.h"
#include "ui/PictureButton.h"

namespace tessaro {

class PassportTab : public ScrollTab {
  Q_OBJECT
 public:
  explicit PassportTab(QWidget* parent = nullptr);

  FloatEdit *Breit3ED, *SpaceED, *Rand3ED, *Zoom3ED;
  // Common photo sizes; the last entry, "frei", leaves the width as typed.
  QComboBox* PhotoSizeBox;
  // In red when the picture's shape differs from the chosen size: the size that really prints.
  QLabel* PassShapeLabel;
  // Crops the picture to the chosen size's shape, one undo step; only with a size chosen.
  QPushButton* FitCropBtn;
  QLineEdit* GroesseLabel;
  QProgressBar* Print3Pro;
  PictureButton* GoBtn2;
  QPushButton* PdfBtn3;
  QLabel* PassStatus;
  PaintBox* PaintBox3() const { return paintBox(); }
  void showStatus(const QString& text);
  // Copies the last preview placed; the print progress counts against it.
  int32_t PassCount = 0;
  // Set while the photo size writes the width, which is then no hand-typed width.
  bool settingWidth = false;
};

}  // namespace tessaro
