#pragma once
// The tab "Retuschieren": the zoomable picture view, the retouch buttons and saving.
#include <QProgressBar>
#include <QPushButton>

#include "app/FloatEdit.h"
#include "app/ScrollTab.h"

namespace tessaro {

class RetouchTab : public ScrollTab {
  Q_OBJECT
 public:
  explicit RetouchTab(QWidget* parent = nullptr);

  FloatEdit* ZoomEd2;
  QPushButton* SaveBtn;
  QProgressBar* ProRetusche;
  PaintBox* PaintBox2() const { return paintBox(); }
};

}  // namespace tessaro
