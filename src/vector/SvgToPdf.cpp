#include "vector/SvgToPdf.h"

#include <cairo-pdf.h>

#include "picture/AtomicFile.h"
#include "vector/BoundedChild.h"
#include "vector/SvgDocument.h"
#include "vector/VectorPage.h"

namespace tessaro {

namespace {

cairo_status_t writeTo(void* closure, const unsigned char* data, unsigned int length) {
  return static_cast<OutputStream*>(closure)->write(data, length) ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

// Writes the drawing as a one-page PDF of its own size.
bool drawPdf(const SvgDocument& svg, const std::string& pdfPath) {
  bool drawn = false;
  const FileError written = replaceFile(pdfPath, [&](OutputStream& out) {
    cairo_surface_t* surface =
        cairo_pdf_surface_create_for_stream(writeTo, &out, svg.widthPt(), svg.heightPt());
    cairo_t* cr = cairo_create(surface);
    drawn = svg.draw(cr, svg.widthPt(), svg.heightPt());
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    const bool ok = drawn && cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok;
  });
  return drawn && !written;
}

}  // namespace

bool svgToPdf(const std::string& svgPath, const std::string& pdfPath, std::string* error) {
  auto refuse = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  // The same checks and size as when the drawing is opened as a page.
  const VectorPage page = VectorPage::open(svgPath);
  if (!page.ok()) return refuse(page.error());
  if (page.kind() != VectorKind::Svg) return refuse("Die Datei ist keine SVG-Datei.");
  FileInputStream in(svgPath);
  const SvgDocument svg(in);
  if (!svg.error().empty()) return refuse(svg.error());
  // librsvg draws what the file asks for, however long that takes: a bounded child writes the file.
  switch (runInBoundedChild([&] { return drawPdf(svg, pdfPath); })) {
    case ChildOutcome::Done: return true;
    case ChildOutcome::TimedOut: return refuse("Die SVG-Datei lässt sich nicht in vertretbarer Zeit zeichnen.");
    case ChildOutcome::Failed: break;
  }
  return refuse("Die SVG-Datei lässt sich nicht zeichnen oder ihr PDF nicht schreiben.");
}

}  // namespace tessaro
