#include "pdf/PdfPrintService.h"

#include <cairo-pdf.h>

#include "picture/AtomicFile.h"

namespace tessaro {

namespace {

constexpr double kPointsPerInch = 72;

cairo_status_t writeToStream(void* closure, const unsigned char* data, unsigned int length) {
  return static_cast<OutputStream*>(closure)->write(data, length) ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

}  // namespace

PdfPrintService::PdfPrintService(std::string fileName, PageMetrics metrics)
    : fileName_(std::move(fileName)), metrics_(metrics) {}

bool PdfPrintService::beginDoc() {
  failure_.clear();
  error_ = {};
  if (open_ || metrics_.dpiX <= 0 || metrics_.dpiY <= 0 || metrics_.pageWidth <= 0 || metrics_.pageHeight <= 0)
    return false;
  written_.clear();
  pages_.clear();
  images_.clear();
  device_ = std::make_unique<PdfDevice>(metrics_.pageWidth, metrics_.pageHeight, images_);
  open_ = true;
  return true;
}

bool PdfPrintService::newPage() {
  failure_.clear();
  if (!open_) return false;
  closePage();
  return true;
}

void PdfPrintService::closePage() { pages_.push_back(device_->takeSteps()); }

bool PdfPrintService::endDoc() {
  failure_.clear();
  if (!open_) return false;
  closePage();
  open_ = false;
  imageCount_ = images_.size();
  error_ = replaceFile(fileName_, [this](OutputStream& out) { return writePdf(out); });
  pages_.clear();
  images_.clear();
  if (error_) {
    failure_ = describeFileError(error_);
    return false;
  }
  written_ = fileName_;
  return true;
}

void PdfPrintService::abortDoc() {
  open_ = false;
  pages_.clear();
  images_.clear();
}

bool PdfPrintService::writePdf(OutputStream& out) const {
  const PageMetrics& m = metrics_;
  const double sx = kPointsPerInch / m.dpiX, sy = kPointsPerInch / m.dpiY;
  cairo_surface_t* surface =
      cairo_pdf_surface_create_for_stream(writeToStream, &out, m.physicalWidth * sx, m.physicalHeight * sy);
  if (!title_.empty()) cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, title_.c_str());
  cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "Tessaro");
  cairo_t* cr = cairo_create(surface);
  for (const std::vector<PdfStep>& page : pages_) {
    // Device pixels of the printable area; nothing spills onto its border.
    cairo_save(cr);
    cairo_scale(cr, sx, sy);
    cairo_translate(cr, m.offsetX, m.offsetY);
    cairo_rectangle(cr, 0, 0, m.pageWidth, m.pageHeight);
    cairo_clip(cr);
    for (const PdfStep& step : page) step(cr);
    cairo_restore(cr);
    cairo_show_page(cr);
  }
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  const bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok;
}

}  // namespace tessaro
