#include "vector/VectorPage.h"

#include <vector>

#include "vector/QpdfAccess.h"
#include "vector/SvgDocument.h"
#include "vector/VectorMessages.h"

namespace tessaro {

namespace {

constexpr double kPointsPerInch = 72, kMmPerInch = 25.4;

}  // namespace

VectorPage VectorPage::open(const std::string& path, int number) {
  auto in = std::make_shared<FileInputStream>(path);
  if (!in->isOpen()) {
    VectorPage page;
    page.path_ = path;
    page.error_ = describeFileError(in->error());
    return page;
  }
  return measure(std::move(in), path, number);
}

VectorPage VectorPage::openBytes(std::span<const uint8_t> bytes, int number) {
  return measure(std::make_shared<MemoryInputStream>(bytes), {}, number);
}

VectorPage VectorPage::measure(std::shared_ptr<InputStream> in, const std::string& path, int number) {
  VectorPage page;
  page.path_ = path;
  page.number_ = number;
  std::vector<uint8_t> head(kVectorSniffBytes);
  head.resize(in->read(head.data(), head.size()));
  page.kind_ = vectorKindOf(head);
  if (page.kind_ == VectorKind::Pdf)
    page.measurePdf(std::move(in));
  else if (page.kind_ == VectorKind::Svg)
    page.measureSvg(*in);
  else
    page.error_ = kNotVector;
  return page;
}

void VectorPage::measurePdf(std::shared_ptr<InputStream> in) {
  const PdfPageFacts facts = measurePdfPage(std::make_shared<StreamPdfInput<InputStream>>(std::move(in)), path_, number_);
  pageCount_ = facts.pageCount;
  if (!facts.error.empty()) {
    error_ = facts.error;
    return;
  }
  const PdfPageGeometry& g = facts.geometry;
  rotation_ = g.rotation;
  const bool across = rotation_ == 90 || rotation_ == 270;
  const double w = g.box.width() * g.userUnit, h = g.box.height() * g.userUnit;
  setSize(across ? h : w, across ? w : h);
}

void VectorPage::measureSvg(InputStream& in) {
  pageCount_ = 1;
  if (number_ != 1) {
    error_ = pageOutOfRange(number_, 1);
    return;
  }
  const SvgDocument svg(in);
  if (!svg.error().empty())
    error_ = svg.error();
  else
    setSize(svg.widthPt(), svg.heightPt());
}

void VectorPage::setSize(double widthPt, double heightPt) {
  if (!(widthPt > 0 && heightPt > 0)) {
    error_ = kPageWithoutArea;
    return;
  }
  const double limit = kMaxVectorPageInches * kPointsPerInch;
  if (widthPt > limit || heightPt > limit) {
    error_ = kPageTooLarge;
    return;
  }
  widthMm_ = widthPt / kPointsPerInch * kMmPerInch;
  heightMm_ = heightPt / kPointsPerInch * kMmPerInch;
}

}  // namespace tessaro
