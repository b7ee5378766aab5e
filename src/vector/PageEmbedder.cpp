#include "vector/PageEmbedder.h"

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <stdexcept>

#include "picture/AtomicFile.h"
#include "vector/PdfPageTree.h"
#include "vector/VectorMessages.h"
#include "vector/VectorPage.h"

namespace tessaro {

namespace {

constexpr const char* kNoPlaceholder = "Die Posterdatei enthält keinen Platz für die Seite.";

// QPDFWriter's output into one of our streams.
class StreamPipeline final : public Pipeline {
 public:
  explicit StreamPipeline(OutputStream& out) : Pipeline("output", nullptr), out_(out) {}
  void write(unsigned char const* data, size_t length) override {
    if (!out_.write(data, length)) throw std::runtime_error("write failed");
  }
  void finish() override {}

 private:
  OutputStream& out_;
};

// Maps the visible box onto (0, 0, width, height) of the page as shown: moved to the origin,
// turned clockwise by /Rotate, scaled by /UserUnit.
QPDFObjectHandle::Matrix placement(const PdfPageGeometry& g) {
  const double u = g.userUnit, w = g.box.width(), h = g.box.height(), x = g.box.llx, y = g.box.lly;
  switch (g.rotation) {
    case 90: return {0, -u, u, 0, -u * y, u * (w + x)};
    case 180: return {-u, 0, 0, -u, u * (w + x), u * (h + y)};
    case 270: return {0, u, -u, 0, u * (h + y), -u * x};
    default: return {u, 0, 0, u, -u * x, -u * y};
  }
}

// Points every page's placeholder at `form`; how many pages did name it.
int replacePlaceholders(QPDF& ours, QPDFObjectHandle form) {
  int replaced = 0;
  for (QPDFObjectHandle page : ours.getAllPages()) {
    QPDFObjectHandle xobjects = page.getKey("/Resources").getKey("/XObject");
    if (xobjects.isDictionary() && xobjects.hasKey(kPlacedPageName)) {
      xobjects.replaceKey(kPlacedPageName, form);
      ++replaced;
    }
  }
  return replaced;
}

}  // namespace

bool embedVectorPage(const std::string& ours, const std::string& source, int number, const std::string& output,
                     std::string* error) {
  auto refuse = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  const VectorPage measured = VectorPage::open(source, number);
  if (!measured.ok()) return refuse(measured.error());
  if (measured.kind() != VectorKind::Pdf) return refuse("Die Datei ist keine PDF-Datei.");
  auto sourceFile = std::make_shared<FileInputStream>(source);
  auto oursFile = std::make_shared<FileInputStream>(ours);
  if (!oursFile->isOpen()) return refuse(describeFileError(oursFile->error()));
  OpenedPdf from = openPdf(sourceFile, source), into = openPdf(oursFile, ours);
  if (!from.qpdf) return refuse(from.error);
  if (!into.qpdf) return refuse(into.error);
  try {
    const FoundPage found = findPdfPage(*from.qpdf, number);
    if (!found.error.empty()) return refuse(found.error);
    QPDFObjectHandle form = QPDFPageObjectHelper(found.page).getFormXObjectForPage(false);
    const PdfBox& box = found.geometry.box;
    form.getDict().replaceKey("/BBox", QPDFObjectHandle::newFromRectangle({box.llx, box.lly, box.urx, box.ury}));
    form.getDict().replaceKey("/Matrix", QPDFObjectHandle::newFromMatrix(placement(found.geometry)));
    QPDFObjectHandle copied = into.qpdf->copyForeignObject(form);
    if (replacePlaceholders(*into.qpdf, copied) == 0) return refuse(kNoPlaceholder);
    const FileError written = replaceFile(output, [&](OutputStream& out) {
      try {
        StreamPipeline pipeline(out);
        QPDFWriter writer(*into.qpdf);
        writer.setOutputPipeline(&pipeline);
        // Streams pass through as they are; only the page's new form is compressed.
        writer.setDecodeLevel(qpdf_dl_none);
        writer.write();
        return true;
      } catch (const std::exception&) {
        return false;
      }
    });
    // A source stream that cannot be read stops the writer.
    if (written) return refuse(written.fault == FileFault::CannotEncode ? kPdfDamaged : describeFileError(written));
  } catch (const std::exception&) {
    return refuse(kPdfDamaged);
  }
  return true;
}

}  // namespace tessaro
