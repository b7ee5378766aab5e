#pragma once
// The printer as the core sees it, over a QPrinter. With no printer installed, jobs become A4 PDF
// files in the user's documents folder and the program tells the user where each one went.
// Qt reports neither a job the print system refused nor a file cut short, so both are checked
// here: the queue before and after a job, the file after it.
#include <QPainter>
#include <QPrinter>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>

#include "pdf/PdfPrintService.h"
#include "platform/QtDevice.h"
#include "print/PrintService.h"

class QWidget;

namespace tessaro {

// The queue to print on at start: the remembered one while it is installed, else the print
// system's default, else the first installed queue in alphabetical order (case ignored, as CUPS
// lists them); empty when no queue is installed.
QString choosePrinter(const QStringList& installed, const QString& defaultQueue, const QString& remembered);

class QtPrintService : public PrintService {
 public:
  // The printer choosePrinter picks, or PDF files when there is none.
  QtPrintService();
  ~QtPrintService() override;

  PageMetrics metrics() const override;
  void setTitle(const std::string& title) override { title_ = QString::fromStdString(title); }
  bool beginDoc() override;
  bool newPage() override;
  bool endDoc() override;
  void abortDoc() override;
  Device& page() override { return pdf_ ? pdf_->page() : device_; }
  std::string jobFile() const override { return outputFile_.toStdString(); }
  std::string failureReason() const override { return failure_.toStdString(); }
  std::string notice() const override { return notice_.toStdString(); }

  // Prints on the named queue from now on; false when no such queue is installed.
  bool setPrinterName(const QString& name);
  // Writes jobs as PDF files into `folder` (empty: the documents folder, else home).
  void usePdfFile(const QString& folder = {});
  bool printsToFile() const { return toFile_; }
  // The file the last job was written to; empty when it went to a printer queue.
  QString outputFile() const { return outputFile_; }
  QString printerName() const { return printer_->printerName(); }

  // The platform's printer set-up dialog on this printer; true when the user accepted it. A queue
  // accepted there is remembered for the next start.
  bool setupDialog(QWidget* parent);

 private:
  QString uniqueOutputPath() const;
  bool beginPdf();
  bool endPdf();
  void preparePage();
  bool queueTakesJobs();
  bool jobArrived();
  bool fileComplete();
  void holdJob();

  // Jobs without a printer: written losslessly by our own PDF writer, not Qt's, which may
  // store pictures as JPEG.
  std::unique_ptr<PdfPrintService> pdf_;
  std::unique_ptr<QPrinter> printer_;
  QPainter painter_;
  QtDevice device_{painter_};
  QString title_;
  bool toFile_ = false;
  QString folder_;
  QString outputFile_;
  // The queue's newest job before this one; nothing when the print system could not say.
  std::optional<int> newestJobBefore_;
  QString failure_;
  QString notice_;
};

}  // namespace tessaro
