#pragma once
// Reading PDF files through qpdf: opening with repair of what can be repaired, and finding one
// page with what it inherits, without visiting the other pages.
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <memory>
#include <string>

#include "picture/Stream.h"

namespace tessaro {

// A rectangle in a page's default user space.
struct PdfBox {
  double llx = 0, lly = 0, urx = 0, ury = 0;
  double width() const { return urx - llx; }
  double height() const { return ury - lly; }
};

struct PdfPageGeometry {
  PdfBox box;            // the visible area: CropBox within MediaBox, else MediaBox
  double userUnit = 1;   // points per user space unit / 1
  int rotation = 0;      // clockwise quarter turns in degrees: 0, 90, 180 or 270
};

struct OpenedPdf {
  std::shared_ptr<InputStream> input;  // qpdf reads from it for as long as the document lives
  std::unique_ptr<QPDF> qpdf;
  std::string error;  // German; empty when opened
};

// Opens the file or bytes `input` holds; refuses encrypted files and files qpdf cannot repair.
OpenedPdf openPdf(std::shared_ptr<InputStream> input, const std::string& name);

struct FoundPage {
  QPDFObjectHandle page = QPDFObjectHandle::newNull();
  PdfPageGeometry geometry;
  int pageCount = 0;
  std::string error;  // German; empty when found
};

// Page `number` (1-based), reached through the page tree's counts, with its geometry.
FoundPage findPdfPage(QPDF& qpdf, int number);

}  // namespace tessaro
