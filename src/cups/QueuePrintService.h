#pragma once
// Printing on a CUPS queue without Qt: each document is our own PDF, made in a nameless spool
// file and sent to the queue as one job once it is complete. Nothing reaches the queue from a
// document that failed or was dropped, and the print system is not kept waiting on an open
// request while the pages are made.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cups/SpoolFile.h"
#include "pdf/PdfPrintService.h"
#include "print/Calibration.h"
#include "print/PrintService.h"

namespace tessaro::cups {

// Options of a job as the print system names them: ("copies", "2"), ("sides", "one-sided") ...
using JobOptions = std::vector<std::pair<std::string, std::string>>;

class QueuePrintService : public PrintService {
 public:
  // `media` is the print system's name of the paper, sent with the job; empty for the default.
  // `options` go with every job too; media and page scaling are set here.
  QueuePrintService(std::string queue, PageMetrics metrics, std::string media, JobOptions options = {});

  PageMetrics metrics() const override { return metrics_; }
  void setTitle(const std::string& title) override { title_ = title; }
  bool beginDoc() override;
  bool newPage() override;
  bool endDoc() override;
  void abortDoc() override;
  Device& page() override { return pdf_->page(); }
  std::string failureReason() const override { return failure_; }
  std::string notice() const override { return notice_; }

  // The queue's calibration, applied to every page of the next documents.
  void setPageScale(const Calibration& scale) { scale_ = scale; }

  // The print system's id of the last job sent; 0 before one was.
  int jobId() const { return jobId_; }

 private:
  // Hands the spool file to the queue as a job; false with failure_ set.
  bool send();
  void release();

  std::string queue_;
  PageMetrics metrics_;
  std::string media_;
  JobOptions options_;
  Calibration scale_;
  std::string title_;
  std::unique_ptr<SpoolFile> spool_;
  std::unique_ptr<PdfPrintService> pdf_;
  int jobId_ = 0;
  std::string failure_;
  std::string notice_;
};

}  // namespace tessaro::cups
