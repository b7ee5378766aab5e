#include "platform/QtPrintService.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrintEngine>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>
#include <cmath>

#include "cups/PrintQueue.h"
#include "print/PaperSizes.h"

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

// Where Qt's printer dialog puts the queue's own options (QPrintEngine key of its private API).
constexpr auto kCupsOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);

// The page as Qt's dialog set it, at the printer's resolution; only for paper the print system
// cannot describe.
PageMetrics printerMetrics(const QPrinter& printer) {
  const QPageLayout layout = printer.pageLayout();
  const QRectF paper = layout.fullRect(QPageLayout::Millimeter);
  const QMarginsF margins = layout.margins(QPageLayout::Millimeter);
  const auto hundredths = [](qreal mm) { return static_cast<int32_t>(std::lround(mm * 100)); };
  return mediaMetrics(hundredths(paper.width()), hundredths(paper.height()), hundredths(margins.left()),
                      hundredths(margins.top()), hundredths(margins.right()), hundredths(margins.bottom()),
                      printer.resolution());
}

// The sheet turned a quarter to the left: the bottom border becomes the left one.
PageMetrics landscape(const PageMetrics& m) {
  PageMetrics t;
  t.physicalWidth = m.physicalHeight;
  t.physicalHeight = m.physicalWidth;
  t.offsetX = m.physicalHeight - m.offsetY - m.pageHeight;
  t.offsetY = m.offsetX;
  t.dpiX = m.dpiY;
  t.dpiY = m.dpiX;
  t.pageWidth = m.pageHeight;
  t.pageHeight = m.pageWidth;
  return t;
}

const char* sides(const QPrinter& printer) {
  switch (printer.duplex()) {
    case QPrinter::DuplexNone:
      break;
    case QPrinter::DuplexAuto:
      return printer.pageLayout().orientation() == QPageLayout::Portrait ? "two-sided-long-edge"
                                                                         : "two-sided-short-edge";
    case QPrinter::DuplexLongSide:
      return "two-sided-long-edge";
    case QPrinter::DuplexShortSide:
      return "two-sided-short-edge";
  }
  return "one-sided";
}

// The program's settings; the organisation is named, as QSettings refuses to store without one.
QSettings programSettings() { return QSettings(QStringLiteral("Tessaro"), QStringLiteral("Tessaro")); }
const QString kPrinterKey = QStringLiteral("Printer.Name");

// The queue accepted in the set-up dialog of an earlier run; empty when there is none.
QString rememberedPrinter() { return programSettings().value(kPrinterKey).toString(); }

QString defaultFolder() {
  const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!docs.isEmpty() && QFileInfo(docs).isDir()) return docs;
  return QDir::homePath();
}

}  // namespace

QString choosePrinter(const QStringList& installed, const QString& defaultQueue, const QString& remembered) {
  for (const QString& wanted : {remembered, defaultQueue})
    if (!wanted.isEmpty() && installed.contains(wanted)) return wanted;
  if (installed.isEmpty()) return {};
  // Without a default a queue is still there to print on: PDF files only when there is none.
  return *std::min_element(installed.begin(), installed.end(),
                           [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
}

cups::JobOptions jobOptions(const QPrinter& printer) {
  cups::JobOptions options;
  // The queue's own options from the dialog first: what the dialog's own fields say comes after
  // and wins.
  const QStringList own = printer.printEngine()->property(kCupsOptions).toStringList();
  for (qsizetype i = 0; i + 1 < own.size(); i += 2)
    options.emplace_back(own[i].toStdString(), own[i + 1].toStdString());
  // Always the dialog's count, never the queue's saved one that it did not show.
  options.emplace_back("copies", std::to_string(printer.copyCount()));
  if (printer.copyCount() > 1) options.emplace_back("collate", printer.collateCopies() ? "true" : "false");
  options.emplace_back("sides", sides(printer));
  if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0)
    options.emplace_back("page-ranges", std::to_string(printer.fromPage()) + "-" + std::to_string(printer.toPage()));
  if (printer.pageOrder() == QPrinter::LastPageFirst) options.emplace_back("outputorder", "reverse");
  return options;
}

QtPrintService::QtPrintService() {
  const QString queue =
      choosePrinter(QPrinterInfo::availablePrinterNames(), QPrinterInfo::defaultPrinterName(), rememberedPrinter());
  if (queue.isEmpty() || !setPrinterName(queue)) usePdfFile();
}

QtPrintService::~QtPrintService() { abortDoc(); }

PageMetrics QtPrintService::metrics() const { return toFile_ ? defaultA4Metrics() : queueMetrics_; }

bool QtPrintService::setPrinterName(const QString& name) {
  const QPrinterInfo info = QPrinterInfo::printerInfo(name);
  if (pdf_ || queue_ || info.isNull()) return false;
  // A fresh printer brings the queue's own paper and options.
  printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
  toFile_ = false;
  outputFile_.clear();
  readQueuePaper();
  return true;
}

void QtPrintService::readQueuePaper() {
  const QPageLayout layout = printer_->pageLayout();
  const std::string chosen = layout.pageSize().key().toStdString();
  std::string why;
  const auto paper = cups::queuePaper(printer_->printerName().toStdString(), chosen, 0, why);
  if (!paper) {
    // QPrinter's page, already turned; the job still names the paper, and the print system
    // says why it cannot take it.
    queueMetrics_ = printerMetrics(*printer_);
    media_ = chosen;
    return;
  }
  const bool turned = layout.orientation() == QPageLayout::Landscape;
  queueMetrics_ = turned ? landscape(paper->metrics) : paper->metrics;
  media_ = paper->media;
}

void QtPrintService::usePdfFile(const QString& folder) {
  if (pdf_ || queue_) return;
  toFile_ = true;
  folder_ = folder;
  // Only for the set-up dialog, which then offers A4 PDF files; the file is our own.
  printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  printer_->setOutputFormat(QPrinter::PdfFormat);
  printer_->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
}

QString QtPrintService::uniqueOutputPath() const {
  const QDir dir(folder_.isEmpty() ? defaultFolder() : folder_);
  const QString base = fileBaseName(title_);
  QString path = dir.filePath(base + QStringLiteral(".pdf"));
  for (int n = 2; QFileInfo::exists(path); ++n) path = dir.filePath(QStringLiteral("%1 (%2).pdf").arg(base).arg(n));
  return path;
}

bool QtPrintService::beginDoc() {
  failure_.clear();
  notice_.clear();
  if (pdf_ || queue_) return false;
  if (toFile_) {
    outputFile_ = uniqueOutputPath();
    pdf_ = std::make_unique<PdfPrintService>(QFile::encodeName(outputFile_).toStdString(), defaultA4Metrics());
  } else {
    outputFile_.clear();
    queue_ = std::make_unique<cups::QueuePrintService>(printerName().toStdString(), queueMetrics_, media_,
                                                       jobOptions(*printer_));
    queue_->setPageScale(scale_);
  }
  job().setTitle(title_.toStdString());
  if (job().beginDoc()) return true;
  failure_ = QString::fromStdString(job().failureReason());
  pdf_.reset();
  queue_.reset();
  outputFile_.clear();
  return false;
}

bool QtPrintService::newPage() {
  failure_.clear();
  if (!pdf_ && !queue_) return false;
  if (job().newPage()) return true;
  failure_ = QString::fromStdString(job().failureReason());
  return false;
}

bool QtPrintService::endDoc() {
  failure_.clear();
  if (pdf_) return endPdf();
  if (queue_) return endQueueJob();
  return false;
}

void QtPrintService::abortDoc() {
  if (!pdf_ && !queue_) return;
  job().abortDoc();
  pdf_.reset();
  queue_.reset();
  outputFile_.clear();
}

bool QtPrintService::endPdf() {
  const bool written = pdf_->endDoc();
  if (!written) {
    const FileError& e = pdf_->fileError();
    const std::string why = e.fault == FileFault::WriteFailed ? describeSystemError(e.sysError) : describeFileError(e);
    failure_ = QStringLiteral("Die Datei \"%1\" konnte nicht vollständig geschrieben werden. %2")
                   .arg(outputFile_, QString::fromStdString(why));
    outputFile_.clear();
  }
  pdf_.reset();
  return written;
}

bool QtPrintService::endQueueJob() {
  const bool sent = queue_->endDoc();
  if (sent) {
    jobId_ = queue_->jobId();
    notice_ = QString::fromStdString(queue_->notice());
  } else {
    failure_ = QString::fromStdString(queue_->failureReason());
  }
  queue_.reset();
  return sent;
}

bool QtPrintService::setupDialog(QWidget* parent) {
  if (pdf_ || queue_) return false;
  // The dialog writes its choices into the printer as the user makes them, even when cancelled.
  const bool wasToFile = toFile_;
  const QString name = printer_->printerName();
  const QPageLayout layout = printer_->pageLayout();
  const int copies = printer_->copyCount();
  const bool collate = printer_->collateCopies();
  const QPrinter::DuplexMode duplex = printer_->duplex();
  const QVariant own = printer_->printEngine()->property(kCupsOptions);
  bool accepted = false;
  {
    QPrintDialog dialog(printer_.get(), parent);
    // Nothing is printed here: the button that takes the choice says "OK", not "Drucken".
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>(QString(), Qt::FindDirectChildrenOnly))
      if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok)) ok->setText(QStringLiteral("OK"));
    accepted = dialog.exec() == QDialog::Accepted;
  }
  if (!accepted) {
    if (wasToFile || !setPrinterName(name))
      usePdfFile(folder_);
    else {
      printer_->setPageLayout(layout);
      printer_->setCopyCount(copies);
      printer_->setCollateCopies(collate);
      printer_->setDuplex(duplex);
      printer_->printEngine()->setProperty(kCupsOptions, own);
      readQueuePaper();
    }
    return false;
  }
  // A PDF file chosen in the dialog is written like the no-printer file: an A4 page whose
  // metrics the layout knows, in the folder the user picked.
  if (printer_->outputFormat() == QPrinter::PdfFormat) {
    const QString file = printer_->outputFileName();
    usePdfFile(file.isEmpty() ? folder_ : QFileInfo(file).absolutePath());
  } else {
    toFile_ = false;
    readQueuePaper();
    programSettings().setValue(kPrinterKey, printer_->printerName());
  }
  return true;
}

}  // namespace tessaro
