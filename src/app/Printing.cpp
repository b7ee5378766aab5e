// The print button of the tab "Drucken": the whole poster as one print job.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPrinterInfo>
#include <QProgressBar>

#include "app/MainForm.h"
#include "app/PrintTab.h"
#include "app/SettingsTab.h"
#include "cups/PrintQueue.h"
#include "pdf/PdfPrintService.h"
#include "platform/MessageBoxes.h"
#include "platform/QtPrintService.h"
#include "app/Remembered.h"
#include "print/CalibrationPage.h"
#include "print/PosterPrintJob.h"
#include "ui/CalibrationDialog.h"

namespace tessaro {

namespace {

// What the window says once the job is out, so the end of a short job is not missed.
QString printedText(const PosterPrintResult& result, const QString& file, const QString& printer) {
  if (result.status == PosterPrintResult::Status::NothingPrinted)
    return QStringLiteral("Es wurde kein Blatt gedruckt.");
  if (!file.isEmpty()) return QStringLiteral("Als PDF gespeichert: %1").arg(file);
  const QString sheets =
      result.pagesPrinted == 1 ? QStringLiteral("1 Blatt") : QStringLiteral("%1 Blätter").arg(result.pagesPrinted);
  return printer.isEmpty() ? QStringLiteral("%1 an den Drucker gesendet").arg(sheets)
                           : QStringLiteral("%1 an %2 gesendet").arg(sheets, printer);
}

}  // namespace

QString TMainForm::printerCaption() const {
  // The core's printer has no name; the program's own has.
  const auto* qt = dynamic_cast<const QtPrintService*>(&printer_);
  if (!qt) return {};
  return qt->printsToFile() ? QStringLiteral("PDF-Datei") : qt->printerName();
}

PosterPrintResult TMainForm::runPosterJob(PrintService& printer) {
  PosterPrintRequest request;
  request.order = print_->RadioButton1->isChecked() ? PrintOrder::Rows : PrintOrder::Columns;
  request.skipExcluded = !print_->RadioButton3->isChecked();
  request.sheetLabels = settings_->LabelsCheck->isChecked();
  request.overviewPage = settings_->OverviewCheck->isChecked();
  request.sheetRulers = settings_->RulerCheck->isChecked();
  request.dots = print_->dotSettings();
  QProgressBar* bar = print_->ProgressBar1;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  // Page by page as the document is made, and one step more for handing it over; the window
  // stays painted while the bar moves, without taking new clicks mid-job.
  const PosterPrintResult result = printPoster(printer, state_.Picture, state_.poster, state_.options, glueMargins(),
                                               state_.SheetOff, request, [bar](int32_t position, int32_t maximum) {
                                                 bar->setMaximum(maximum + 1);
                                                 bar->setValue(position);
                                                 QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
                                               });
  QApplication::restoreOverrideCursor();
  // Full beside the confirmation once the document is out of the program's hands.
  bar->setValue(result.status == PosterPrintResult::Status::Printed ? bar->maximum() : 0);
  return result;
}

// The untouched start picture prints as black sheets: that needs a yes, on paper or in a file.
bool TMainForm::confirmStartPicture(const QString& caption) {
  return !state_.showsStartPicture() ||
         messageBoxes().askYesNo(this, caption, QStringLiteral("Es ist noch kein Bild geladen. Trotzdem drucken?"),
                                 MessageBoxes::Icon::Question);
}

void TMainForm::printToPdf(const PrintJobFn& job, const std::function<void(const QString&)>& status) {
  status({});
  if (!confirmStartPicture(QStringLiteral("Als PDF speichern"))) return;
  QString name;
  if (!runPdfDialog(this, name)) return;
  if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".pdf");
  // The chosen printer's paper and resolution, so the file holds the pages it would print.
  PdfPrintService pdf(QFile::encodeName(name).toStdString(), printer_.metrics());
  const PosterPrintResult result = job(pdf);
  // A refused job began no file: its reason alone.
  if (result.status == PosterPrintResult::Status::Refused) {
    messageBoxes().tell(this, QStringLiteral("Als PDF speichern"), QString::fromStdString(result.message),
                        MessageBoxes::Icon::Warning);
    return;
  }
  if (!result.ok()) {
    messageBoxes().tell(this, QStringLiteral("Fehler"),
                        QStringLiteral("Die PDF-Datei \"%1\" konnte nicht geschrieben werden!\n%2")
                            .arg(name, QString::fromStdString(result.message)),
                        MessageBoxes::Icon::Error);
    return;
  }
  status(printedText(result, name, {}));
}

void TMainForm::printToPrinter(const PrintJobFn& job, const std::function<void(const QString&)>& status,
                               const QString& noPrinterText, bool calibrationPage) {
  status({});
  if (!calibrationPage && !confirmStartPicture(QStringLiteral("Drucken"))) return;
  if (auto* qt = dynamic_cast<QtPrintService*>(&printer_)) {
    const std::optional<Calibration> stored = !calibrationPage && !qt->printsToFile()
                                                  ? calibrationStore().load(qt->printerName().toStdString())
                                                  : std::nullopt;
    qt->setPageScale(stored.value_or(Calibration{}));
  }
  const PosterPrintResult result = job(printer_);
  if (!result.ok()) {
    messageBoxes().tell(this, QStringLiteral("Fehler"), QString::fromStdString(result.message),
                        MessageBoxes::Icon::Error);
    return;
  }
  const QString file = QString::fromStdString(printer_.jobFile());
  status(printedText(result, file, printerCaption()));
  if (const std::string notice = printer_.notice(); !notice.empty())
    messageBoxes().tell(this, QStringLiteral("Drucken"), QString::fromStdString(notice), MessageBoxes::Icon::Warning);
  // Only when no queue is installed at all; a PDF chosen in the printer dialog is no surprise.
  if (result.status == PosterPrintResult::Status::Printed && !file.isEmpty() &&
      QPrinterInfo::availablePrinterNames().isEmpty())
    messageBoxes().tell(this, QStringLiteral("Drucken"),
                        (cups::printSystemAnswers() ? QStringLiteral("Es ist kein Drucker eingerichtet. ")
                                                    : QStringLiteral("Das Drucksystem (CUPS) antwortet nicht. ")) +
                            noPrinterText.arg(file),
                        MessageBoxes::Icon::Information);
}

void TMainForm::CalibrateBtnClick() {
  auto* qt = dynamic_cast<QtPrintService*>(&printer_);
  if (!qt || qt->printsToFile()) return;
  CalibrationDialog dialog(
      qt->printerName().toStdString(), printer_.metrics(), calibrationStore(),
      [this] {
        printToPrinter([](PrintService& p) { return printCalibrationPage(p); },
                       [this](const QString& t) { print_->showStatus(t); },
                       QStringLiteral("Die Kalibrierungsseite wurde in die Datei \"%1\" geschrieben."), true);
      },
      this);
  dialog.exec();
}

void TMainForm::PdfBtnClick() {
  if (dotsRefused(QStringLiteral("Als PDF speichern"))) return;
  printToPdf([this](PrintService& p) { return runPosterJob(p); }, [this](const QString& t) { print_->showStatus(t); });
}

void TMainForm::PrintBtnClick() {
  print_->GoBtn1->release();
  if (dotsRefused(QStringLiteral("Drucken"))) return;
  printToPrinter([this](PrintService& p) { return runPosterJob(p); },
                 [this](const QString& t) { print_->showStatus(t); },
                 QStringLiteral("Das Poster wurde in die Datei \"%1\" geschrieben."));
}

}  // namespace tessaro
