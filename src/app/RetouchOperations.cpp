// The retouch buttons: crop, mirrors, quarter turns, brightness and contrast, and the resize of
// the load tab. Each reads its controls, runs the core's operation and shows the result.
#include <QApplication>
#include <QProgressBar>
#include <QPushButton>

#include "app/LoadTab.h"
#include "app/MainForm.h"
#include "app/RetouchTab.h"
#include "picture/MirrorRotate.h"
#include "platform/MessageBoxes.h"
#include "retouch/Crop.h"
#include "retouch/Resize.h"
#include "retouch/Tones.h"
#include "ui/BrightnessContrastDialog.h"
#include "ui/ResizeDialog.h"

namespace tessaro {

void TMainForm::SchnittBtnClick() {
  if (state_.CropLeft == state_.CropRight || state_.CropTop == state_.CropBottom) {
    messageBoxes().tell(this, QStringLiteral("Fehler"),
                        QStringLiteral("Sie müssen zuerst einen Bereich mit der Maus aufziehen!"),
                        MessageBoxes::Icon::Error);
    return;
  }
  if (!offerRasterize()) return;
  const int32_t l = state_.CropLeft, t = state_.CropTop, r = state_.CropRight, b = state_.CropBottom;
  replacePicture([=](const TDib& p, const ProgressFn& progress) { return cropDib(p, l, t, r, b, progress); },
                 Refit::Whole);
}

void TMainForm::FlipHBtnClick() {
  if (offerRasterize()) replacePicture(flipHorizontal, Refit::None);
}
void TMainForm::FlipVBtnClick() {
  if (offerRasterize()) replacePicture(flipVertical, Refit::None);
}
void TMainForm::RotLeftBtnClick() {
  if (offerRasterize()) replacePicture(rotateLeft, Refit::Whole);
}
void TMainForm::RotRightBtnClick() {
  if (offerRasterize()) replacePicture(rotateRight, Refit::Whole);
}

void TMainForm::HellpBtnClick() {
  if (!offerRasterize()) return;
  // Every preview starts again from this untouched copy; it is also what undo brings back.
  TDib backup = copyDib(state_.Picture);
  if (backup.empty()) {
    messageBoxes().tell(this, kProgramTitle, QStringLiteral("Fehler: Konnte Bild nicht erstellen! (Zuwenig Speicher?)"),
                        MessageBoxes::Icon::Error);
    return;
  }
  QProgressBar* bar = retouch_->ProRetusche;
  THKForm dialog(
      [&](int offset, int percent) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        restoreTones(state_.Picture, backup);
        applyTones(state_.Picture, offset, percent, [bar](int p) { bar->setValue(p); });
        bar->setValue(0);
        QApplication::restoreOverrideCursor();
        retouch_->PaintBox2()->repaint();
      },
      this);
  dialog.BacksetBitBtn3Click();
  if (runDialog(dialog) == QDialog::Accepted) {
    recordStep(currentStep(std::move(backup)));
  } else {
    state_.Picture = std::move(backup);
  }
  pictureChanged();
}

void TMainForm::SizeBtnClick() {
  if (!offerRasterize()) return;
  TResizeForm dialog(this);
  dialog.prepare(DibWidth(state_.Picture), DibHeight(state_.Picture), DibBitCount(state_.Picture));
  if (runDialog(dialog) != QDialog::Accepted) return;
  int32_t nw = 0, nh = 0;
  bool interpolate = false;
  dialog.readResult(nw, nh, interpolate);
  const bool done = replacePicture(
      [=](const TDib& p, const ProgressFn& progress) { return resizeDib(p, nw, nh, interpolate, progress); },
      Refit::Resized, load_->ShowProzent);
  if (!done) {
    messageBoxes().tell(this, kProgramTitle, QStringLiteral("Fehler beim Ändern der Größe..."),
                        MessageBoxes::Icon::Error);
    showPictureInfo();
    load_->PaintBox1->update();
  }
}

void TMainForm::connectRetouchOperations() {
  const std::pair<QPushButton*, void (TMainForm::*)()> buttons[] = {
      {retouch_->SchnittBtn, &TMainForm::SchnittBtnClick},
      {retouch_->FlipHBtn, &TMainForm::FlipHBtnClick},
      {retouch_->FlipVBtn, &TMainForm::FlipVBtnClick},
      {retouch_->RotLeftBtn, &TMainForm::RotLeftBtnClick},
      {retouch_->RotRightBtn, &TMainForm::RotRightBtnClick},
      {retouch_->HellpBtn, &TMainForm::HellpBtnClick},
      {retouch_->GoFilterBtn, &TMainForm::GoFilterBtnClick},
      {load_->SizeBtn, &TMainForm::SizeBtnClick},
      {load_->FTiefeBtn, &TMainForm::FTiefeBtnClick},
      {load_->RasterBtn, &TMainForm::RasterBtnClick},
  };
  for (const auto& [button, handler] : buttons) connect(button, &QPushButton::clicked, this, handler);
}

}  // namespace tessaro
