#include "platform/QtPrintService.h"

#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QStandardPaths>

namespace tessaro {

namespace {

// A file name made of the job title: no folder separators, no control characters.
QString fileBaseName(const QString& title) {
  QString name;
  for (const QChar c : title) name += (c == u'/' || c == u'\\' || c.category() == QChar::Other_Control) ? u'_' : c;
  name = name.trimmed();
  if (name.isEmpty()) return QStringLiteral("Tessaro");
  // No hidden files.
  if (name.startsWith(u'.')) name.prepend(u'_');
  return name;
}

QString defaultFolder() {
  const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!docs.isEmpty() && QFileInfo(docs).isDir()) return docs;
  return QDir::homePath();
}

}  // namespace

QtPrintService::QtPrintService() {
  const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
  if (QPrinterInfo::availablePrinters().isEmpty() || defaultPrinter.isNull())
    usePdfFile();
  else
    printer_ = std::make_unique<QPrinter>(defaultPrinter, QPrinter::HighResolution);
}

QtPrintService::~QtPrintService() {
  if (painter_.isActive()) painter_.end();
}

PageMetrics QtPrintService::metrics() const {
  if (toFile_) return defaultA4Metrics();
  PageMetrics m;
  const QRect paper = printer_->paperRect(QPrinter::DevicePixel).toRect();
  const QRect page = printer_->pageRect(QPrinter::DevicePixel).toRect();
  m.physicalWidth = paper.width();
  m.physicalHeight = paper.height();
  m.offsetX = page.left() - paper.left();
  m.offsetY = page.top() - paper.top();
  m.dpiX = printer_->logicalDpiX();
  m.dpiY = printer_->logicalDpiY();
  m.pageWidth = page.width();
  m.pageHeight = page.height();
  return m;
}

bool QtPrintService::setPrinterName(const QString& name) {
  const QPrinterInfo info = QPrinterInfo::printerInfo(name);
  if (painter_.isActive() || info.isNull()) return false;
  // A fresh printer brings the queue's own paper, margins and resolution.
  printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
  toFile_ = false;
  outputFile_.clear();
  return true;
}

void QtPrintService::usePdfFile(const QString& folder) {
  if (painter_.isActive()) return;
  toFile_ = true;
  folder_ = folder;
  printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  printer_->setOutputFormat(QPrinter::PdfFormat);
  // The layout is computed from defaultA4Metrics(), so the printable area must be exactly that
  // many pixels at that place: sheets use their last pixel rows and columns. Qt keeps page sizes
  // and margins in whole points, which puts A4 a few pixels off at 600 dpi; so the painter covers
  // the whole paper and each page is moved to the printable area and clipped to it (preparePage).
  printer_->setResolution(defaultA4Metrics().dpiX);
  printer_->setFullPage(true);
  printer_->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
}

void QtPrintService::preparePage() {
  if (!toFile_) {
    device_.setArea({});
    return;
  }
  const PageMetrics a4 = defaultA4Metrics();
  painter_.resetTransform();
  painter_.translate(a4.offsetX, a4.offsetY);
  painter_.setClipRect(0, 0, a4.pageWidth, a4.pageHeight);
  device_.setArea(QSize(a4.pageWidth, a4.pageHeight));
}

QString QtPrintService::uniqueOutputPath() const {
  const QDir dir(folder_.isEmpty() ? defaultFolder() : folder_);
  const QString base = fileBaseName(title_);
  QString path = dir.filePath(base + QStringLiteral(".pdf"));
  for (int n = 2; QFileInfo::exists(path); ++n) path = dir.filePath(QStringLiteral("%1 (%2).pdf").arg(base).arg(n));
  return path;
}

bool QtPrintService::beginDoc() {
  if (painter_.isActive()) return false;
  outputFile_ = toFile_ ? uniqueOutputPath() : QString();
  printer_->setOutputFileName(outputFile_);
  printer_->setDocName(title_);
  if (painter_.begin(printer_.get())) {
    preparePage();
    return true;
  }
  outputFile_.clear();
  return false;
}

bool QtPrintService::newPage() {
  if (!painter_.isActive() || !printer_->newPage()) return false;
  preparePage();
  return true;
}

bool QtPrintService::endDoc() { return painter_.isActive() && painter_.end(); }

bool QtPrintService::setupDialog(QWidget* parent) {
  if (painter_.isActive()) return false;
  // The dialog writes its choices into the printer as the user makes them, even when cancelled.
  const bool wasToFile = toFile_;
  const QString name = printer_->printerName();
  const QPageLayout layout = printer_->pageLayout();
  bool accepted = false;
  {
    QPrintDialog dialog(printer_.get(), parent);
    accepted = dialog.exec() == QDialog::Accepted;
  }
  if (!accepted) {
    if (wasToFile || !setPrinterName(name))
      usePdfFile(folder_);
    else
      printer_->setPageLayout(layout);
    return false;
  }
  // A PDF file chosen in the dialog is written like the no-printer file: an A4 page whose
  // metrics the layout knows, in the folder the user picked.
  if (printer_->outputFormat() == QPrinter::PdfFormat) {
    const QString file = printer_->outputFileName();
    usePdfFile(file.isEmpty() ? folder_ : QFileInfo(file).absolutePath());
  } else {
    toFile_ = false;
    // Leaving the file page: the painter no longer covers the whole paper.
    printer_->setFullPage(false);
  }
  return true;
}

}  // namespace tessaro
