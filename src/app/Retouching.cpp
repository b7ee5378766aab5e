// The tab "Retuschieren": the view with its crop frame, the operations that replace the picture,
// and undo and redo of them.
#include <QApplication>
#include <QDialog>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QShortcut>

#include "app/LoadTab.h"
#include "app/MainForm.h"
#include "app/PosterSizeTab.h"
#include "app/RetouchTab.h"
#include "platform/MessageBoxes.h"
#include "platform/QtDevice.h"
#include "state/PictureLoad.h"

namespace tessaro {

namespace {

Qt::CursorShape cursorShape(FrameCursor c) {
  switch (c) {
    case FrameCursor::SizeWE:
      return Qt::SizeHorCursor;
    case FrameCursor::SizeNS:
      return Qt::SizeVerCursor;
    case FrameCursor::SizeNWSE:
      return Qt::SizeFDiagCursor;
    case FrameCursor::SizeNESW:
      return Qt::SizeBDiagCursor;
    default:
      return Qt::ArrowCursor;
  }
}

}  // namespace

void TMainForm::PaintBox2Paint(QPainter& painter) {
  QtDevice dc(painter);
  PaintBox* box = retouch_->PaintBox2();
  tessaro::PaintBox2Paint(dc, state_, view_, box->width(), box->height());
}

void TMainForm::setcursor_(FrameCursor cursor) {
  PaintBox* box = retouch_->PaintBox2();
  if (box->cursor().shape() != cursorShape(cursor)) box->setCursor(cursorShape(cursor));
}

void TMainForm::PaintBox2MouseDown(int x, int y) {
  layoutView();
  if (pressFrame(state_, view_, x, y)) retouch_->PaintBox2()->repaint();
}

void TMainForm::PaintBox2MouseMove(int x, int y) {
  layoutView();
  if (state_.Dragging != 1) {
    setcursor_(hoverFrame(view_, x, y));
    return;
  }
  dragFrame(state_, view_, x, y);
  retouch_->PaintBox2()->repaint();
}

void TMainForm::PaintBox2MouseUp() { releaseFrame(state_); }

// The frame as the last paint placed it: laid out afresh from the crop rectangle, so the mouse
// works on what is shown even before a paint has come through.
void TMainForm::layoutView() {
  PaintBox* box = retouch_->PaintBox2();
  layoutRetouchView(state_, view_, box->width(), box->height());
}

RetouchStep TMainForm::currentStep(TDib picture) {
  RetouchStep step;
  step.Picture = std::move(picture);
  step.CropLeft = state_.CropLeft;
  step.CropTop = state_.CropTop;
  step.CropRight = state_.CropRight;
  step.CropBottom = state_.CropBottom;
  step.poster = state_.poster;
  step.breitText = posterSize_->BreitEd->text().toStdString();
  step.hochText = posterSize_->HochEd->text().toStdString();
  return step;
}

void TMainForm::restoreStep(RetouchStep& step) {
  state_.Picture = std::move(step.Picture);
  state_.CropLeft = step.CropLeft;
  state_.CropTop = step.CropTop;
  state_.CropRight = step.CropRight;
  state_.CropBottom = step.CropBottom;
  // The edits get their old texts without their handlers recomputing anything.
  state_.poster.SyncingEdits = true;
  posterSize_->BreitEd->setText(QString::fromStdString(step.breitText));
  posterSize_->HochEd->setText(QString::fromStdString(step.hochText));
  state_.poster = step.poster;
  showPictureInfo();
  pictureChanged();
}

void TMainForm::recordStep(RetouchStep before) {
  history_.push(std::move(before));
  updateUndoButtons();
}

void TMainForm::updateUndoButtons() {
  retouch_->UndoBtn->setEnabled(history_.canUndo());
  retouch_->RedoBtn->setEnabled(history_.canRedo());
}

void TMainForm::applyRefit(Refit refit) {
  const int32_t W = DibWidth(state_.Picture), H = DibHeight(state_.Picture);
  const bool outside = state_.CropLeft < 0 || state_.CropTop < 0 || state_.CropRight > W || state_.CropBottom > H ||
                       state_.CropLeft > state_.CropRight || state_.CropTop > state_.CropBottom;
  if (refit == Refit::Whole || (refit == Refit::Resized && outside)) {
    state_.CropLeft = state_.CropTop = 0;
    state_.CropRight = W;
    state_.CropBottom = H;
  }
  if (refit != Refit::None) {
    showPictureInfo();
    posterForNewPicture(state_.poster);
    by_anpassen();
  }
  pictureChanged();
}

bool TMainForm::replacePicture(const PictureOperation& op, Refit refit, QProgressBar* bar) {
  // ProRetusche moves for every operation, and `bar` too when one is given.
  QProgressBar* bars[] = {retouch_->ProRetusche, bar ? bar : retouch_->ProRetusche};
  const auto show = [&bars](int percent) {
    for (QProgressBar* b : bars) b->setValue(percent);
  };
  show(0);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  TDib result = op(state_.Picture, [&show](int percent) {
    show(percent);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  });
  QApplication::restoreOverrideCursor();
  show(0);
  if (result.empty()) return false;
  RetouchStep before = currentStep(std::move(state_.Picture));
  state_.Picture = std::move(result);
  recordStep(std::move(before));
  applyRefit(refit);
  return true;
}

void TMainForm::UndoClick() {
  RetouchStep state = currentStep(std::move(state_.Picture));
  history_.undo(state);
  restoreStep(state);
  updateUndoButtons();
}

void TMainForm::RedoClick() {
  RetouchStep state = currentStep(std::move(state_.Picture));
  history_.redo(state);
  restoreStep(state);
  updateUndoButtons();
}

void TMainForm::connectRetouch() {
  runDialog = [](QDialog& dialog) { return dialog.exec(); };
  PaintBox* box = retouch_->PaintBox2();
  box->onPaint = [this](QPainter& p) { PaintBox2Paint(p); };
  box->onMouseDown = [this](QMouseEvent* e) {
    PaintBox2MouseDown(e->position().toPoint().x(), e->position().toPoint().y());
  };
  box->onMouseMove = [this](QMouseEvent* e) {
    PaintBox2MouseMove(e->position().toPoint().x(), e->position().toPoint().y());
  };
  box->onMouseUp = [this](QMouseEvent*) { PaintBox2MouseUp(); };
  connect(retouch_->UndoBtn, &QPushButton::clicked, this, [this] { UndoClick(); });
  connect(retouch_->RedoBtn, &QPushButton::clicked, this, [this] { RedoClick(); });
  // Window-wide; a focused text field keeps its own undo of typing.
  connect(new QShortcut(QKeySequence::Undo, this), &QShortcut::activated, this, [this] { UndoClick(); });
  for (const char* redo : {"Ctrl+Y", "Ctrl+Shift+Z"})
    connect(new QShortcut(QKeySequence(QString::fromLatin1(redo)), this), &QShortcut::activated, this,
            [this] { RedoClick(); });
  connectRetouchOperations();
}

}  // namespace tessaro
