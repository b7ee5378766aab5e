#pragma once
// The tab "Drucken": print order, which sheets, progress and the print button.
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include "ui/PictureButton.h"

namespace tessaro {

class PrintTab : public QWidget {
  Q_OBJECT
 public:
  explicit PrintTab(QWidget* parent = nullptr);

  QRadioButton *RadioButton1, *RadioButton2, *RadioButton3, *RadioButton4;
  QProgressBar* ProgressBar1;
  PictureButton* GoBtn1;
  // Writes the pages printing would make into a PDF file.
  QPushButton* PdfBtn;
  // What the last press of the print button did: sheets sent or the file written.
  QLabel* PrintStatus;
  void showStatus(const QString& text);
};

}  // namespace tessaro
