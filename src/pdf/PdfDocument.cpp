#include "pdf/PdfDocument.h"

#include "colour/IccProfile.h"
#include "pdf/HelveticaMetrics.h"
#include "pdf/PdfImage.h"
#include "pdf/PdfSourceImage.h"
#include "vector/PageEmbedder.h"
#include "vector/QpdfAccess.h"

namespace tessaro {

namespace {

constexpr double kPointsPerInch = 72;

std::string fontDictionary() {
  std::string widths;
  for (const uint16_t w : helvetica::kWidths) widths += std::to_string(w) + ' ';
  widths.pop_back();
  return "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding /FirstChar " +
         std::to_string(helvetica::kFirstChar) + " /LastChar " + std::to_string(helvetica::kLastChar) + " /Widths [" +
         widths + "] >>";
}

std::string reference(int number) { return std::to_string(number) + " 0 R"; }

// A resource dictionary entry: each object under its prefix and number.
std::string named(const char* prefix, const std::set<int>& objects) {
  std::string entries;
  for (const int n : objects) entries += std::string(" /") + prefix + std::to_string(n) + " " + reference(n);
  return entries;
}

// The unit shapes, filled: the circle as four Bézier arcs of the usual 0.5523 handle length.
std::string unitShapePath(DotShape shape) {
  switch (shape) {
    case DotShape::Circle:
      return "1 0 m 1 0.552285 0.552285 1 0 1 c -0.552285 1 -1 0.552285 -1 0 c -1 -0.552285 -0.552285 -1 0 -1 c "
             "0.552285 -1 1 -0.552285 1 0 c f";
    case DotShape::Diamond:
      return "1 0 m 0 1 l -1 0 l 0 -1 l h f";
    case DotShape::Square:
    case DotShape::Line:
      break;
  }
  return "-1 -1 2 2 re f";
}

}  // namespace

PdfDocument::PdfDocument(OutputStream& out, const PageMetrics& metrics, const Calibration& scale)
    : staged_(out), writer_(staged_), metrics_(metrics), scale_(scale) {
  catalog_ = writer_.reserve();
  pagesTree_ = writer_.reserve();
  font_ = writer_.reserve();
  info_ = writer_.reserve();
}

int PdfDocument::image(uint64_t id, uint64_t generation, const uint8_t* bits, const BitmapInfo& info, int32_t rowCount,
                       const PictureSource* source) {
  if (id) {
    const auto it = pictures_.find({id, generation});
    if (it != pictures_.end()) return it->second;
  }
  if (!pdfImageFits(bits, info, rowCount)) return 0;
  // A document with images is written as it goes; one with a vector page keeps them too.
  if (!placeholder_ && !staged_.letThrough()) writer_.fail();
  const int number = writer_.reserve();
  if (source && pdfSourceFits(*source, info, rowCount)) {
    writePdfSourceImage(writer_, number, *source, info, source->icc.empty() ? rgbSpace() : iccSpace(source->icc));
    if (source->orientation != 1) orientations_[number] = source->orientation;
  } else
    writePdfImage(writer_, number, bits, info, rowCount, rgbSpace());
  ++imageCount_;
  if (id) pictures_[{id, generation}] = number;
  return writer_.ok() ? number : 0;
}

bool PdfDocument::placeVectorPage(const PictureSource& page) {
  if (page.kind != PictureSource::Kind::Vector) return false;
  if (placeholder_) return page.pdfPath == vectorPdf_ && page.page == vectorPageNumber_;
  if (staged_.passing()) return false;
  vectorPdf_ = page.pdfPath;
  vectorPageNumber_ = page.page;
  vectorKeep_ = page.keep;
  placeholder_ = writer_.reserve();
  // Stands for the page until finish puts the page in its place.
  writer_.streamObject(placeholder_, "/Type /XObject /Subtype /Form /BBox [0 0 1 1]", "");
  return writer_.ok();
}

int PdfDocument::dotForm(DotShape shape) {
  // A line screen draws stretched squares: one form serves both.
  if (shape == DotShape::Line) shape = DotShape::Square;
  if (const auto it = dotForms_.find(shape); it != dotForms_.end()) return it->second;
  const int number = writer_.reserve();
  writer_.streamObject(number, "/Type /XObject /Subtype /Form /BBox [-1 -1 1 1]", unitShapePath(shape));
  dotForms_[shape] = number;
  return writer_.ok() ? number : 0;
}

int PdfDocument::multiplyState() {
  if (multiplyState_) return multiplyState_;
  multiplyState_ = writer_.reserve();
  writer_.beginObject(multiplyState_);
  writer_.text("<< /Type /ExtGState /BM /Multiply >>\n");
  writer_.endObject();
  return writer_.ok() ? multiplyState_ : 0;
}

int PdfDocument::imageOrientation(int number) const {
  const auto it = orientations_.find(number);
  return it == orientations_.end() ? 1 : it->second;
}

const std::string& PdfDocument::rgbSpace() {
  if (!rgbSpace_.empty()) return rgbSpace_;
  const std::vector<uint8_t> profile = srgbProfileBytes();
  return rgbSpace_ = profile.empty() ? "/DeviceRGB" : iccSpace(profile);
}

std::string PdfDocument::iccSpace(const std::vector<uint8_t>& rgbProfile) {
  const int number = writer_.reserve();
  writer_.streamObject(
      number, "/N 3 /Alternate /DeviceRGB /Filter /FlateDecode",
      deflateBytes(std::string_view(reinterpret_cast<const char*>(rgbProfile.data()), rgbProfile.size())));
  return "[/ICCBased " + reference(number) + "]";
}

std::string PdfDocument::scaling() const {
  // The printer's correction: one transform, so that lines, pictures and text scale together.
  if (scale_.none()) return {};
  return pdfNumber(scale_.horizontal) + " 0 0 " + pdfNumber(scale_.vertical) + " 0 0 cm\n";
}

void PdfDocument::addPage(const PdfPage& page) {
  const PageMetrics& m = metrics_;
  const double sx = kPointsPerInch / m.dpiX, sy = kPointsPerInch / m.dpiY;
  // Device pixels with the origin at the printable area's top-left and y down; nothing spills
  // onto the border.
  const std::string content = "q " + pdfNumber(sx) + " 0 0 " + pdfNumber(-sy) + " " + pdfNumber(m.offsetX * sx) + " " +
                              pdfNumber((m.physicalHeight - m.offsetY) * sy) + " cm 0 0 " +
                              std::to_string(m.pageWidth) + " " + std::to_string(m.pageHeight) + " re W n 1 w 0 J\n" +
                              scaling() + page.content + "Q\n";
  const int contents = writer_.reserve(), number = writer_.reserve();
  writer_.streamObject(contents, "/Filter /FlateDecode", deflateBytes(content));
  std::string resources = "<<";
  if (!page.images.empty() || !page.dotForms.empty() || page.vectorPage) {
    resources += " /XObject <<" + named("Im", page.images) + named("D", page.dotForms);
    if (page.vectorPage) resources += std::string(" ") + kPlacedPageName + " " + reference(placeholder_);
    resources += " >>";
  }
  if (!page.blendStates.empty()) resources += " /ExtGState <<" + named("G", page.blendStates) + " >>";
  if (page.text) resources += " /Font << /F1 " + reference(font_) + " >>";
  resources += " >>";
  writer_.beginObject(number);
  writer_.text("<< /Type /Page /Parent " + reference(pagesTree_) + " /MediaBox [0 0 " +
               pdfNumber(m.physicalWidth * sx) + " " + pdfNumber(m.physicalHeight * sy) + "] /Resources " + resources +
               " /Contents " + reference(contents) + " >>\n");
  writer_.endObject();
  pages_.push_back(number);
}

bool PdfDocument::finish(const std::string& title) {
  std::string kids;
  for (const int page : pages_) kids += reference(page) + " ";
  writer_.beginObject(pagesTree_);
  writer_.text("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages_.size()) + " >>\n");
  writer_.endObject();
  writer_.beginObject(catalog_);
  // The pages are laid out at their true size for the printable area: a viewer's print dialog
  // must not fit them to the paper again.
  writer_.text("<< /Type /Catalog /Pages " + reference(pagesTree_) +
               " /ViewerPreferences << /PrintScaling /None >> >>\n");
  writer_.endObject();
  writer_.beginObject(font_);
  writer_.text(fontDictionary() + "\n");
  writer_.endObject();
  writer_.beginObject(info_);
  writer_.text("<< " + (title.empty() ? std::string() : "/Title " + pdfTextString(title) + " ") + "/Creator " +
               pdfTextString("Tessaro") + " >>\n");
  writer_.endObject();
  writer_.finish(catalog_, info_);
  if (!writer_.ok()) return false;
  if (!placeholder_) return staged_.letThrough();
  // The placeholder becomes the page itself, copied from its file once.
  auto ours = std::make_shared<MemoryInputStream>(std::span<const uint8_t>(staged_.held()));
  auto source = std::make_shared<FileInputStream>(vectorPdf_);
  if (!source->isOpen()) return error_ = describeFileError(source->error()), false;
  OutputStream& out = staged_.target();
  bool written = true;
  const bool embedded = writeWithPageEmbedded(
      std::make_shared<StreamPdfInput<MemoryInputStream>>(ours),
      std::make_shared<StreamPdfInput<FileInputStream>>(source), vectorPageNumber_,
      [&](const void* data, size_t n) { return written = out.write(data, n); }, error_);
  if (!written) error_.clear();
  return embedded && written;
}

}  // namespace tessaro
