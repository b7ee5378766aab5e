#include "pdf/PdfPrintService.h"

namespace tessaro {

PdfPrintService::PdfPrintService(std::string fileName, PageMetrics metrics)
    : fileName_(std::move(fileName)), metrics_(metrics) {}

PdfPrintService::PdfPrintService(OutputStream& out, PageMetrics metrics) : metrics_(metrics), out_(&out) {}

bool PdfPrintService::beginDoc() {
  failure_.clear();
  error_ = {};
  if (open_ || metrics_.dpiX <= 0 || metrics_.dpiY <= 0 || metrics_.pageWidth <= 0 || metrics_.pageHeight <= 0)
    return false;
  written_.clear();
  imageCount_ = 0;
  if (FileError e = out_ ? FileError{} : file_.open(fileName_)) {
    fail(std::move(e));
    return false;
  }
  document_ = std::make_unique<PdfDocument>(out_ ? *out_ : file_.stream(), metrics_, scale_);
  device_ = std::make_unique<PdfDevice>(metrics_.pageWidth, metrics_.pageHeight, *document_);
  open_ = true;
  return true;
}

bool PdfPrintService::newPage() {
  failure_.clear();
  if (!open_) return false;
  closePage();
  if (document_->ok()) return true;
  fail(discard(FileFault::CannotEncode));
  return false;
}

void PdfPrintService::closePage() { document_->addPage(device_->takePage()); }

bool PdfPrintService::endDoc() {
  failure_.clear();
  if (!open_) return false;
  closePage();
  const bool made = document_->finish(title_);
  imageCount_ = document_->imageCount();
  const std::string refusal = document_->error();
  close();
  FileError e = !made ? discard(FileFault::CannotEncode) : out_ ? FileError{} : file_.commit();
  // The vector page's own reason, unless writing failed.
  if (!made && !refusal.empty() && e.fault == FileFault::CannotEncode) e.fault = FileFault::Refused, e.detail = refusal;
  if (e) {
    fail(std::move(e));
    return false;
  }
  written_ = fileName_;
  return true;
}

FileError PdfPrintService::discard(FileFault why) {
  if (!out_) return file_.discard(why);
  FileError e;
  e.fault = why;
  return e;
}

void PdfPrintService::abortDoc() {
  if (!open_) return;
  close();
  discard(FileFault::None);
}

void PdfPrintService::fail(FileError error) {
  if (open_) close();
  error_ = std::move(error);
  failure_ = describeFileError(error_);
}

void PdfPrintService::close() {
  open_ = false;
  document_->abandon();
}

}  // namespace tessaro
