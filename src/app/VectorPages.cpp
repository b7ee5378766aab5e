// Vector pages in the window: which page of a PDF file to open, and turning a page into an
// ordinary picture for what works on pixels.
#include <QApplication>
#include <algorithm>
#include <cmath>

#include "app/LoadTab.h"
#include "app/MainForm.h"
#include "platform/MessageBoxes.h"
#include "print/PosterPrintSize.h"
#include "print/SheetBand.h"
#include "ui/PageChoiceDialog.h"
#include "ui/RasterizeDialog.h"
#include "vector/VectorPage.h"
#include "vector/VectorPicture.h"

namespace tessaro {

namespace {
double ptToMm(double pt) { return pt / 72.0 * 25.4; }

// The resolution the poster prints the page at: the printer's dots over the poster's size, per
// inch of the page, in the direction that needs more; 0 while the poster has no size.
double posterPrintDpi(const PageMetrics& m, const PosterPrintSize& size, const PictureSource& page) {
  if (!size.valid || !(size.widthCm > 0) || !(size.heightCm > 0)) return 0;
  const double across = static_cast<double>(size.widthCm) / 2.54 * m.dpiX / (page.widthPt / 72.0);
  const double down = static_cast<double>(size.heightCm) / 2.54 * m.dpiY / (page.heightPt / 72.0);
  return std::ceil(std::max(across, down));
}
}  // namespace

bool TMainForm::choosePage(const QByteArray& file, int& page) {
  page = 1;
  if (vectorKindOfFile(file.toStdString()) != VectorKind::Pdf) return true;
  // Only the first page is read here; a file that cannot be opened is reported by the load.
  const VectorPage first = VectorPage::open(file.toStdString(), 1);
  if (!first.ok() || first.pageCount() <= 1) return true;
  PageChoiceDialog dialog(file.toStdString(), first.pageCount(), this);
  if (runDialog(dialog) != QDialog::Accepted) return false;
  page = dialog.page();
  return true;
}

bool TMainForm::offerRasterize() {
  const PictureSource* page = vectorPageOf(state_.Picture);
  if (!page) return true;
  // As fine as the poster prints it, within the pixel limit.
  const PageMetrics m = printer_.metrics();
  const double wanted =
      posterPrintDpi(m, posterPrintSize(m, posterLayout(state_.Picture, state_.poster), state_.options, glueMargins()), *page);
  RasterizeDialog dialog(ptToMm(page->widthPt), ptToMm(page->heightPt), defaultRasterDpi(state_.Picture, wanted), this);
  if (runDialog(dialog) != QDialog::Accepted) return false;
  const double dpi = dialog.dpi();
  std::string error;
  const int32_t oldW = DibWidth(state_.Picture), oldH = DibHeight(state_.Picture);
  const bool done = replacePicture(
      [&](const TDib& standIn, const ProgressFn&) {
        TDib out;
        rasterizeVectorPage(standIn, dpi, out, error);
        return out;
      },
      Refit::None);
  if (!done) {
    messageBoxes().tell(this, QStringLiteral("Fehler"), QString::fromStdString(error), MessageBoxes::Icon::Error);
    return false;
  }
  // The same page at more pixels: the crop frame keeps its place on it, the poster its size.
  const int32_t newW = DibWidth(state_.Picture), newH = DibHeight(state_.Picture);
  const auto scale = [](int32_t v, int32_t from, int32_t to) {
    return static_cast<int32_t>(static_cast<int64_t>(v) * to / std::max(from, 1));
  };
  state_.CropLeft = scale(state_.CropLeft, oldW, newW);
  state_.CropRight = scale(state_.CropRight, oldW, newW);
  state_.CropTop = scale(state_.CropTop, oldH, newH);
  state_.CropBottom = scale(state_.CropBottom, oldH, newH);
  showPictureInfo();
  by_anpassen();
  pictureChanged();
  return true;
}

bool TMainForm::showPageInfo() {
  const PictureSource* page = vectorPageOf(state_.Picture);
  load_->RasterBtn->setVisible(page != nullptr);
  if (!page) return false;
  // A page has a size on paper, not pixels.
  const auto mm = [](double pt) { return QStringLiteral("%1 mm").arg(ptToMm(pt), 0, 'f', 1); };
  load_->Breit->setText(mm(page->widthPt));
  load_->Hoch->setText(mm(page->heightPt));
  load_->Tief->setText(QStringLiteral("Vektorseite"));
  load_->Aufl->setText(QString::fromStdString(resolutionText({})));
  return true;
}

void TMainForm::RasterBtnClick() { offerRasterize(); }

}  // namespace tessaro
