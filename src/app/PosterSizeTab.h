#pragma once
// The tab "Druckgröße": the poster's size in sheets and the poster preview.
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>

#include "app/ScrollTab.h"

namespace tessaro {

class PosterSizeTab : public ScrollTab {
  Q_OBJECT
 public:
  explicit PosterSizeTab(QWidget* parent = nullptr);

  QDoubleSpinBox *BreitEd, *HochEd, *IncEd, *ZoomEd;
  QCheckBox* KrShowCheck;
  QLabel* RxLabel25;
  PaintBox* VorschauBox() const { return paintBox(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;
};

}  // namespace tessaro
