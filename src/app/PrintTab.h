#pragma once
// The tab "Drucken": print order, which sheets, the kind of print, progress and the print button.
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include "app/DotPanel.h"
#include "ui/PictureButton.h"

namespace tessaro {

class PrintTab : public QWidget {
  Q_OBJECT
 public:
  explicit PrintTab(QWidget* parent = nullptr);

  QRadioButton *RadioButton1, *RadioButton2, *RadioButton3, *RadioButton4;
  // "Druckart": "Bild" or "Punkteraster", whose panel shows only then.
  QComboBox* KindBox;
  DotPanel* Dots;
  // The dot screen's settings with "Punkteraster"; nothing for the picture itself.
  std::optional<DotSettings> dotSettings() const;
  QProgressBar* ProgressBar1;
  PictureButton* GoBtn1;
  // Writes the pages printing would make into a PDF file.
  QPushButton* PdfBtn;
  // What the last press of the print button did: sheets sent or the file written.
  QLabel* PrintStatus;
  void showStatus(const QString& text);
};

}  // namespace tessaro
