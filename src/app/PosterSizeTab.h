#pragma once
// The tab "Druckgröße": the poster's size in sheets and the poster preview.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "app/ScrollTab.h"
#include "print/PosterPrintSize.h"
#include "ui/FloatEdit.h"

namespace tessaro {

class PosterSizeTab : public ScrollTab {
  Q_OBJECT
 public:
  explicit PosterSizeTab(QWidget* parent = nullptr);

  FloatEdit *BreitEd, *HochEd, *IncEd, *ZoomEd;
  QPushButton* ActualSizeBtn;  // "Originalgröße"
  QCheckBox* KrShowCheck;
  QLabel* RxLabel25;
  QLabel *PosterSizeLabel, *PosterDpiLabel;
  PaintBox* VorschauBox() const { return paintBox(); }
  // Shows what the printed poster measures; the resolution turns red when the print looks coarse.
  void showPrintSize(const PosterPrintSize& size);

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;
};

}  // namespace tessaro
