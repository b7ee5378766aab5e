// The tab "Paßbilder": the preview of the page, its printing and the photo sizes.
#include <QApplication>
#include <QPainter>

#include "app/MainForm.h"
#include "app/PassportTab.h"
#include "layout/PassportLayout.h"
#include "layout/PassportPrintJob.h"
#include "platform/QtDevice.h"

namespace tessaro {

namespace {

PassSettings passSettings(const PassportTab& t) {
  PassSettings s;
  s.PassWidth = static_cast<double>(t.Breit3ED->value());
  s.PassSpacing = static_cast<double>(t.SpaceED->value());
  s.PassMargin = static_cast<double>(t.Rand3ED->value());
  return s;
}

bool photoSizeChosen(const PassportTab& t) { return photoSizes()[t.PhotoSizeBox->currentIndex()].widthMm > 0; }

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
  connect(t->Zoom3ED, &FloatEdit::changed, this, [this, t] {
    t->applyZoom(state_.ZoomBaseWidth, state_.ZoomBaseHeight);
    t->PaintBox3()->repaint();
  });
  connect(t->PhotoSizeBox, &QComboBox::currentIndexChanged, this, [this] { PhotoSizeBoxChange(); });
  connect(t->GoBtn2, &PictureButton::clicked, this, [this] { PassDruckClick(); });
  connect(t->PdfBtn3, &QPushButton::clicked, this, [this] { PassPdfBtnClick(); });
}

PassPreviewBox TMainForm::passPreviewBox() const {
  const PaintBox* box = passport_->PaintBox3();
  return {box->width(), box->height(), passport_->Zoom3ED->value(), state_.ZoomBaseHeight, metrics_};
}

void TMainForm::showPassSize(const PassPreviewResult& preview) {
  // A chosen photo size shows what really prints; otherwise the figures the program always showed.
  const Ext width = preview.settings.PassWidth;
  const PassSizeMm size =
      photoSizeChosen(*passport_)
          ? passPrintedMm(metrics_, width, passHeight(state_.Picture, width, metrics_.pageWidth, metrics_.pageHeight))
          : preview.size;
  passport_->GroesseLabel->setText(QString::fromStdString(formatPassSize(size)));
  passport_->PassCount = preview.PassCount;
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
  const PhotoSize& p = photoSizes()[t->PhotoSizeBox->currentIndex()];
  if (p.widthMm > 0) {
    t->settingWidth = true;
    t->Breit3ED->setValue(passWidthForMm(metrics_, p.widthMm));
    t->settingWidth = false;
  }
  showPassSize();
  t->PaintBox3()->update();
}

PosterPrintResult TMainForm::runPassportJob(PrintService& printer) {
  // The progress counts against the copies of the preview as it stands now.
  showPassSize();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const PosterPrintResult result =
      printPassport(printer, state_.Picture, passSettings(*passport_), passport_->PassCount, [this](int32_t percent) {
        passport_->Print3Pro->setValue(percent);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      });
  QApplication::restoreOverrideCursor();
  passport_->Print3Pro->setValue(0);
  return result;
}

void TMainForm::PassDruckClick() {
  passport_->GoBtn2->release();
  printToPrinter([this](PrintService& p) { return runPassportJob(p); },
                 [this](const QString& text) { passport_->showStatus(text); },
                 QStringLiteral("Es ist kein Drucker eingerichtet. Die Paßbilder wurden in die Datei \"%1\" "
                                "geschrieben."));
}

void TMainForm::PassPdfBtnClick() {
  printToPdf([this](PrintService& p) { return runPassportJob(p); },
             [this](const QString& text) { passport_->showStatus(text); });
}

}  // namespace tessaro
