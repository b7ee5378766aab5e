#pragma once
// Printing into a PDF file: pages of the given metrics (a printer's, or A4 at 600 dpi), pictures
// stored losslessly and once, lines as vectors, notes as text. The pages are collected while
// the job runs and the file is written at endDoc, in one go, through a temporary file that takes
// the target's place only when complete; an aborted or failed job leaves the old file as it was.
#include <memory>
#include <string>
#include <vector>

#include "pdf/PdfDevice.h"
#include "picture/FileError.h"
#include "picture/Stream.h"
#include "print/PrintService.h"

namespace tessaro {

class PdfPrintService : public PrintService {
 public:
  explicit PdfPrintService(std::string fileName, PageMetrics metrics = defaultA4Metrics());

  PageMetrics metrics() const override { return metrics_; }
  void setTitle(const std::string& title) override { title_ = title; }
  bool beginDoc() override;
  bool newPage() override;
  bool endDoc() override;
  void abortDoc() override;
  Device& page() override { return *device_; }
  // The file written by the last complete document; empty otherwise.
  std::string jobFile() const override { return written_; }
  std::string failureReason() const override { return failure_; }
  // The fault behind failureReason (None after success).
  const FileError& fileError() const { return error_; }

  const std::string& fileName() const { return fileName_; }
  // Images the last document held: one per picture drawn, however many pages show it.
  size_t imageCount() const { return imageCount_; }

 private:
  void closePage();
  bool writePdf(OutputStream& out) const;

  std::string fileName_;
  PageMetrics metrics_;
  std::string title_;
  PdfImageCache images_;
  std::unique_ptr<PdfDevice> device_;
  std::vector<std::vector<PdfStep>> pages_;
  bool open_ = false;
  std::string written_;
  std::string failure_;
  FileError error_;
  size_t imageCount_ = 0;
};

}  // namespace tessaro
