#pragma once
// Printing into a PDF file: pages of the given metrics (a printer's, or A4 at 600 dpi), pictures
// stored losslessly and once, lines as vectors, notes as text. The file is written while the
// job runs, into a temporary file beside the target that takes its place only when complete;
// an aborted or failed job leaves the old file as it was.
#include <memory>
#include <string>

#include "pdf/PdfDevice.h"
#include "pdf/PdfDocument.h"
#include "print/Calibration.h"
#include "picture/AtomicFile.h"
#include "picture/FileError.h"
#include "print/PrintService.h"

namespace tessaro {

class PdfPrintService : public PrintService {
 public:
  explicit PdfPrintService(std::string fileName, PageMetrics metrics = defaultA4Metrics());
  // Writes each document into `out` instead, which the caller owns and keeps while it is used
  // (a spool file for a printer); no file is written then.
  PdfPrintService(OutputStream& out, PageMetrics metrics);

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
  // Scales the pages of the next documents about the printable area's top-left corner: a
  // printer's calibration.
  void setPageScale(const Calibration& scale) { scale_ = scale; }
  // Images the last document held: one per picture drawn, however many pages show it.
  size_t imageCount() const { return imageCount_; }

 private:
  void closePage();
  // Drops the document's file and records why.
  void fail(FileError error);
  // Drops the document's file; the stream's own error if writing failed, else `why`.
  FileError discard(FileFault why);
  // Closes the document; a device still held draws into nothing.
  void close();

  std::string fileName_;
  PageMetrics metrics_;
  Calibration scale_;
  std::string title_;
  ReplacementFile file_;
  OutputStream* out_ = nullptr;  // instead of file_
  std::unique_ptr<PdfDocument> document_;
  std::unique_ptr<PdfDevice> device_;
  bool open_ = false;
  std::string written_;
  std::string failure_;
  FileError error_;
  size_t imageCount_ = 0;
};

}  // namespace tessaro
