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

#include "platform/CupsQueue.h"

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

// Why a queue did not take a job, for the user.
QString queueProblem(cups::QueueState state, const QString& queue) {
  if (state == cups::QueueState::Accepting || state == cups::QueueState::Paused)
    return QStringLiteral("Der Druckauftrag wurde vom Drucksystem nicht angenommen.");
  return QString::fromStdString(cups::queueStateText(state, queue.toStdString()));
}

// Qt's PDF writer ignores failed writes (a full disk). A whole file ends with "startxref",
// the offset of its cross-reference table and "%%EOF"; anything lost before the table moves it
// away from that offset.
bool isCompletePdf(const QString& path) {
  constexpr QByteArrayView kStartXref = "startxref", kEnd = "%%EOF";
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const qint64 size = file.size();
  if (!file.seek(std::max<qint64>(0, size - 64))) return false;
  const QByteArray tail = file.readAll().trimmed();
  const qsizetype keyword = tail.lastIndexOf(kStartXref);
  if (keyword < 0 || !tail.endsWith(kEnd)) return false;
  const qsizetype from = keyword + kStartXref.size();
  bool ok = false;
  const qint64 table = tail.mid(from, tail.size() - kEnd.size() - from).trimmed().toLongLong(&ok);
  return ok && table > 0 && table < size && file.seek(table) && file.read(4) == "xref";
}

// Qt's CUPS engine passes these options on with the job (QPrintEngine key of its private API).
constexpr auto kCupsOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);

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

QtPrintService::QtPrintService() {
  const QString queue =
      choosePrinter(QPrinterInfo::availablePrinterNames(), QPrinterInfo::defaultPrinterName(), rememberedPrinter());
  if (queue.isEmpty() || !setPrinterName(queue)) usePdfFile();
}

QtPrintService::~QtPrintService() { abortDoc(); }

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
  failure_.clear();
  notice_.clear();
  if (painter_.isActive() || pdf_) return false;
  if (toFile_) return beginPdf();
  if (!toFile_ && !queueTakesJobs()) return false;
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
  failure_.clear();
  if (pdf_) return pdf_->newPage();
  if (!painter_.isActive() || !printer_->newPage()) return false;
  preparePage();
  return true;
}

bool QtPrintService::endDoc() {
  failure_.clear();
  if (pdf_) return endPdf();
  if (!painter_.isActive()) return false;
  const bool ended = painter_.end();
  if (toFile_) return fileComplete() && ended;
  return ended && jobArrived();
}

void QtPrintService::abortDoc() {
  if (pdf_) {
    pdf_->abortDoc();
    pdf_.reset();
    outputFile_.clear();
  }
  if (!painter_.isActive()) return;
  // Qt's PDF and CUPS engines cannot abort: the document is ended, for a queue as a held job so
  // that nothing prints before it is cancelled.
  if (!printer_->abort() && !toFile_) holdJob();
  painter_.end();
  if (toFile_) {
    QFile::remove(outputFile_);
    outputFile_.clear();
  } else if (newestJobBefore_) {
    const QString queue = printer_->printerName();
    for (const int job : cups::jobsAfter(queue, *newestJobBefore_)) cups::cancelJob(queue, job);
  }
}

bool QtPrintService::beginPdf() {
  outputFile_ = uniqueOutputPath();
  pdf_ = std::make_unique<PdfPrintService>(QFile::encodeName(outputFile_).toStdString(), defaultA4Metrics());
  pdf_->setTitle(title_.toStdString());
  if (pdf_->beginDoc()) return true;
  failure_ = QString::fromStdString(pdf_->failureReason());
  pdf_.reset();
  outputFile_.clear();
  return false;
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

// Qt would take a job for a queue that refuses it and lose it unseen when the painter ends.
bool QtPrintService::queueTakesJobs() {
  const QString queue = printer_->printerName();
  const cups::QueueState state = cups::queueState(queue);
  if (state != cups::QueueState::Accepting && state != cups::QueueState::Paused) {
    failure_ = queueProblem(state, queue);
    return false;
  }
  newestJobBefore_ = cups::newestJob(queue);
  return true;
}

bool QtPrintService::jobArrived() {
  const QString queue = printer_->printerName();
  // Without a job number to compare with, Qt's word stands.
  const bool arrived = !newestJobBefore_ || !cups::jobsAfter(queue, *newestJobBefore_).empty();
  const cups::QueueState state = cups::queueState(queue);
  if (!arrived) {
    failure_ = queueProblem(state, queue);
    return false;
  }
  // A paused queue keeps the job until it is resumed.
  if (state == cups::QueueState::Paused)
    notice_ = QString::fromStdString(cups::queueStateText(state, queue.toStdString()));
  return true;
}

bool QtPrintService::fileComplete() {
  if (isCompletePdf(outputFile_)) return true;
  failure_ = QStringLiteral("Die Datei \"%1\" konnte nicht vollständig geschrieben werden.").arg(outputFile_);
  QFile::remove(outputFile_);
  outputFile_.clear();
  return false;
}

void QtPrintService::holdJob() {
  QPrintEngine* engine = printer_->printEngine();
  QStringList options = engine->property(kCupsOptions).toStringList();
  const QString key = QStringLiteral("job-hold-until"), value = QStringLiteral("indefinite");
  qsizetype at = 0;
  while (at + 1 < options.size() && options[at] != key) at += 2;
  if (at + 1 < options.size())
    options[at + 1] = value;
  else
    options << key << value;
  engine->setProperty(kCupsOptions, options);
}

bool QtPrintService::setupDialog(QWidget* parent) {
  if (painter_.isActive()) return false;
  // The dialog writes its choices into the printer as the user makes them, even when cancelled.
  const bool wasToFile = toFile_;
  const QString name = printer_->printerName();
  const QPageLayout layout = printer_->pageLayout();
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
    programSettings().setValue(kPrinterKey, printer_->printerName());
  }
  return true;
}

}  // namespace tessaro
