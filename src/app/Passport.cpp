// The tab "Paßbilder": the preview of the page, its printing and the photo sizes.
#include <QApplication>
#include <QPainter>
#include <algorithm>

#include "app/MainForm.h"
#include "app/PassportTab.h"
#include "app/SettingsTab.h"
#include "layout/PassportLayout.h"
#include "layout/PassportPrintJob.h"
#include "platform/QtDevice.h"
#include "retouch/Crop.h"

namespace tessaro {

namespace {

PassSettings passSettings(const PassportTab& t) {
  PassSettings s;
  s.PassWidth = static_cast<double>(t.Breit3ED->value());
  s.PassSpacing = static_cast<double>(t.SpaceED->value());
  s.PassMargin = static_cast<double>(t.Rand3ED->value());
  return s;
}

const PhotoSize& chosenPhotoSize(const PassportTab& t) { return photoSizes()[t.PhotoSizeBox->currentIndex()]; }

// A chosen size that the picture's shape does not fit shows in red what prints instead.
void showPassShape(PassportTab& t, const PhotoSize& size, const TDib& picture, const PassSizeMm& printed) {
  const bool chosen = size.widthMm > 0;
  t.FitCropBtn->setEnabled(chosen);
  t.FitCropBtn->setText(chosen ? QStringLiteral("Auf %1 zuschneiden").arg(QString::fromUtf8(size.shape))
                               : QStringLiteral("Auf Fotogröße zuschneiden"));
  const bool differs = chosen && passShapeDiffers(size, DibWidth(picture), DibHeight(picture));
  t.PassShapeLabel->setText(differs ? QStringLiteral("druckt %1 × %2 mm").arg(printed.width).arg(printed.height)
                                    : QString());
  t.PassShapeLabel->setVisible(differs);
}

}  // namespace

void TMainForm::connectPassport() {
  PassportTab* t = passport_;
  t->PaintBox3()->onPaint = [this](QPainter& p) { PaintBox3Paint(p); };
  // The size follows every change, also while the tab is hidden and nothing paints.
  auto changed = [this, t] {
    showPassSize();
    t->PaintBox3()->repaint();
  };
  connect(t->Breit3ED, &FloatEdit::changed, this, [this, t, changed] {
    // A width typed by hand is no longer the chosen photo size.
    if (!t->settingWidth) t->PhotoSizeBox->setCurrentIndex(t->PhotoSizeBox->count() - 1);
    changed();
  });
  connect(t->SpaceED, &FloatEdit::changed, this, changed);
  connect(t->Rand3ED, &FloatEdit::changed, this, changed);
  connect(t->Zoom3ED, &FloatEdit::changed, this, [this] { ZoomEd3Change(); });
  t->onZoomBase = [this](int w, int h) { TabSheet9Resize(w, h); };
  connect(t->PhotoSizeBox, &QComboBox::currentIndexChanged, this, [this] { PhotoSizeBoxChange(); });
  connect(t->GoBtn2, &PictureButton::clicked, this, [this] { PassDruckClick(); });
  connect(t->PdfBtn3, &QPushButton::clicked, this, [this] { PassPdfBtnClick(); });
  connect(t->FitCropBtn, &QPushButton::clicked, this, [this] { FitCropBtnClick(); });
}

void TMainForm::ZoomEd3Change() {
  passport_->applyZoom(state_.ZoomBaseWidth, state_.ZoomBaseHeight);
  passport_->PaintBox3()->repaint();
}

// The tab has sized its scroll box and paint box; the scroll box's visible size is the zoom base.
void TMainForm::TabSheet9Resize(int baseWidth, int baseHeight) {
  state_.ZoomBaseWidth = baseWidth;
  state_.ZoomBaseHeight = baseHeight;
}

PassPreviewBox TMainForm::passPreviewBox() const {
  const PaintBox* box = passport_->PaintBox3();
  return {box->width(), box->height(), passport_->Zoom3ED->value(), state_.ZoomBaseHeight, metrics_};
}

void TMainForm::showPassSize(const PassPreviewResult& preview) {
  // A chosen photo size shows what really prints; otherwise the figures the program always showed.
  const PhotoSize& chosen = chosenPhotoSize(*passport_);
  const Ext width = preview.settings.PassWidth;
  const PassSizeMm size =
      chosen.widthMm > 0
          ? passPrintedMm(metrics_, width, passHeight(state_.Picture, width, metrics_.pageWidth, metrics_.pageHeight))
          : preview.size;
  passport_->GroesseLabel->setText(QString::fromStdString(formatPassSize(size)));
  passport_->PassCount = preview.PassCount;
  showPassShape(*passport_, chosen, state_.Picture, size);
}

void TMainForm::showPassSize() {
  showPassSize(passPreview(state_.Picture, passPreviewBox(), passSettings(*passport_)));
}

void TMainForm::PaintBox3Paint(QPainter& painter) {
  QtDevice dc(painter);
  showPassSize(paintPassPreview(dc, state_.Picture, passPreviewBox(), passSettings(*passport_)));
}

void TMainForm::PhotoSizeBoxChange() {
  PassportTab* t = passport_;
  const PhotoSize& p = chosenPhotoSize(*t);
  if (p.widthMm > 0) {
    t->settingWidth = true;
    t->Breit3ED->setValue(passWidthForMm(metrics_, p.widthMm));
    t->settingWidth = false;
  }
  showPassSize();
  t->PaintBox3()->update();
}

void TMainForm::FitCropBtnClick() {
  const PhotoSize& size = chosenPhotoSize(*passport_);
  if (size.widthMm <= 0) return;
  // The frame of "Retuschieren" says which part to keep: it is cut to the size's shape around its
  // middle. After a load or a crop it is the whole picture.
  const int32_t W = DibWidth(state_.Picture), H = DibHeight(state_.Picture);
  PixelRect frame{std::clamp(state_.CropLeft, 0, W), std::clamp(state_.CropTop, 0, H),
                  std::clamp(state_.CropRight, 0, W), std::clamp(state_.CropBottom, 0, H)};
  if (frame.right <= frame.left || frame.bottom <= frame.top) frame = {0, 0, W, H};
  const PixelRect r = passFitCrop(size, frame);
  replacePicture(
      [r](const TDib& p, const ProgressFn& progress) { return cropDib(p, r.left, r.top, r.right, r.bottom, progress); },
      Refit::Whole);
}

PosterPrintResult TMainForm::runPassportJob(PrintService& printer) {
  // The progress counts against the copies of the preview as it stands now.
  showPassSize();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const PosterPrintResult result =
      printPassport(printer, state_.Picture, passSettings(*passport_), passport_->PassCount, [this](int32_t percent) {
        passport_->Print3Pro->setValue(percent);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      }, settings_->RulerCheck->isChecked());
  QApplication::restoreOverrideCursor();
  // The job ends at 100 once the page is out of the program's hands.
  if (!result.ok()) passport_->Print3Pro->setValue(0);
  return result;
}

void TMainForm::PassDruckClick() {
  passport_->GoBtn2->release();
  if (!offerRasterize()) return;
  printToPrinter([this](PrintService& p) { return runPassportJob(p); },
                 [this](const QString& text) { passport_->showStatus(text); },
                 QStringLiteral("Die Paßbilder wurden in die Datei \"%1\" geschrieben."));
}

void TMainForm::PassPdfBtnClick() {
  if (!offerRasterize()) return;
  printToPdf([this](PrintService& p) { return runPassportJob(p); },
             [this](const QString& text) { passport_->showStatus(text); });
}

}  // namespace tessaro
