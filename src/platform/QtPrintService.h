#pragma once
// The printer as the core sees it. Jobs for a queue are our own PDF, sent through libcups with the
// queue's paper and resolution and the options chosen in the set-up dialog; the QPrinter only
// holds what that dialog shows and edits. With no printer installed, jobs become A4 PDF files in
// the user's documents folder and the program tells the user where each one went.
#include <QPrinter>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>

#include "cups/QueuePrintService.h"
#include "pdf/PdfPrintService.h"
#include "print/Calibration.h"
#include "print/PrintService.h"

class QWidget;

namespace tessaro {

// The queue to print on at start: the remembered one while it is installed, else the print
// system's default, else the first installed queue in alphabetical order (case ignored, as CUPS
// lists them); empty when no queue is installed.
QString choosePrinter(const QStringList& installed, const QString& defaultQueue, const QString& remembered);

// What a job on a queue takes from the printer's settings: copies, sides, pages and the
// queue's own options; the paper goes separately.
cups::JobOptions jobOptions(const QPrinter& printer);

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
  Device& page() override { return job().page(); }
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
  // The settings the set-up dialog edits; the next job takes them.
  QPrinter& printerSettings() { return *printer_; }
  // Scales the pages of the next jobs on a queue (a PDF file never is): its calibration.
  void setPageScale(const Calibration& scale) { scale_ = scale; }
  // The print system's id of the last job sent to a queue; 0 before one was.
  int jobId() const { return jobId_; }

  // The platform's printer set-up dialog on this printer; true when the user accepted it. A queue
  // accepted there is remembered for the next start.
  bool setupDialog(QWidget* parent);

 private:
  QString uniqueOutputPath() const;
  // The paper the queue prints the chosen page size on, as CUPS states it.
  void readQueuePaper();
  PrintService& job() { return pdf_ ? static_cast<PrintService&>(*pdf_) : *queue_; }
  bool endPdf();
  bool endQueueJob();

  std::unique_ptr<QPrinter> printer_;
  // The open document, in a file or for a queue; never both.
  std::unique_ptr<PdfPrintService> pdf_;
  std::unique_ptr<cups::QueuePrintService> queue_;
  PageMetrics queueMetrics_;
  Calibration scale_;
  std::string media_;
  QString title_;
  bool toFile_ = false;
  QString folder_;
  QString outputFile_;
  int jobId_ = 0;
  QString failure_;
  QString notice_;
};

}  // namespace tessaro
