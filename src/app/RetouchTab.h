#pragma once
// The tab "Retuschieren": the zoomable picture view with its crop frame, the retouch buttons,
// undo and redo, and saving.
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>

#include "app/ScrollTab.h"
#include "ui/FloatEdit.h"

namespace tessaro {

class RetouchTab : public ScrollTab {
  Q_OBJECT
 public:
  explicit RetouchTab(QWidget* parent = nullptr);

  QPushButton* HellpBtn;
  QComboBox* FilterComboBox;  // the filters of the core's table, in its order
  QPushButton* GoFilterBtn;
  QPushButton* RotLeftBtn;
  QPushButton* RotRightBtn;
  QPushButton* FlipHBtn;
  QPushButton* FlipVBtn;
  QPushButton* SchnittBtn;
  QPushButton* UndoBtn;
  QPushButton* RedoBtn;
  QPushButton* SaveBtn;
  FloatEdit* ZoomEd2;
  QProgressBar* ProRetusche;
  PaintBox* PaintBox2() const { return paintBox(); }
};

}  // namespace tessaro
