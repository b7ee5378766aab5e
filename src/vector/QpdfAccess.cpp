#include "vector/QpdfAccess.h"

#include <qpdf/InputSource.hh>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <vector>

#include "vector/PageEmbedder.h"
#include "vector/VectorMessages.h"

namespace tessaro {

namespace {

constexpr const char* kNoPlaceholder = "Die Posterdatei enthält keinen Platz für die Seite.";

// Deeper than any page tree a writer makes; a loop of /Kids or /Parent ends here.
constexpr int kMaxTreeDepth = 256;

// qpdf reads through our own streams, so a file is opened as every picture is (never a FIFO or
// a device) and bytes in memory are read the same way.
class StreamSource final : public InputSource {
 public:
  StreamSource(std::shared_ptr<PdfInput> in, std::string name) : in_(std::move(in)), name_(std::move(name)) {}
  qpdf_offset_t findAndSkipNextEOL() override {
    qpdf_offset_t eol = -1;
    for (char c;;) {
      const qpdf_offset_t at = tell();
      if (in_->read(&c, 1) != 1) return eol < 0 ? tell() : eol;
      if (c == '\r' || c == '\n') {
        if (eol < 0) eol = at;
      } else if (eol >= 0) {
        in_->seek(static_cast<uint64_t>(at));
        return eol;
      }
    }
  }
  std::string const& getName() const override { return name_; }
  qpdf_offset_t tell() override { return static_cast<qpdf_offset_t>(in_->tell()); }
  // Past the end stays at the end, where reading finds nothing, as it would past a file's end.
  void seek(qpdf_offset_t offset, int whence) override {
    const uint64_t size = in_->size();
    const uint64_t base = std::min(whence == SEEK_END ? size : whence == SEEK_CUR ? in_->tell() : 0, size);
    uint64_t target;
    if (offset < 0) {
      const uint64_t back = static_cast<uint64_t>(-(offset + 1)) + 1;
      if (back > base) throw std::runtime_error(name_ + ": seek before the start");
      target = base - back;
    } else {
      target = base + std::min(static_cast<uint64_t>(offset), size - base);
    }
    in_->seek(target);
  }
  void rewind() override { in_->seek(0); }
  size_t read(char* buffer, size_t length) override {
    last_offset = tell();
    return in_->read(buffer, length);
  }
  void unreadCh(char) override {
    if (tell() > 0) in_->seek(in_->tell() - 1);
  }

 private:
  std::shared_ptr<PdfInput> in_;
  std::string name_;
};

std::optional<PdfBox> boxOf(QPDFObjectHandle a) {
  if (!a.isArray() || a.getArrayNItems() != 4) return std::nullopt;
  double v[4];
  for (int i = 0; i < 4; ++i) {
    QPDFObjectHandle n = a.getArrayItem(i);
    if (!n.isNumber()) return std::nullopt;
    v[i] = n.getNumericValue();
    if (!std::isfinite(v[i])) return std::nullopt;
  }
  return PdfBox{std::min(v[0], v[2]), std::min(v[1], v[3]), std::max(v[0], v[2]), std::max(v[1], v[3])};
}

// A page's attribute, or the nearest ancestor's where the page has none.
QPDFObjectHandle inherited(QPDFObjectHandle node, const char* key) {
  for (int depth = 0; depth < kMaxTreeDepth && node.isDictionary(); ++depth) {
    QPDFObjectHandle value = node.getKey(key);
    if (!value.isNull()) return value;
    node = node.getKey("/Parent");
  }
  return QPDFObjectHandle::newNull();
}

PdfPageGeometry geometryOf(QPDFObjectHandle page) {
  PdfPageGeometry g;
  const std::optional<PdfBox> media = boxOf(inherited(page, "/MediaBox"));
  const std::optional<PdfBox> crop = boxOf(inherited(page, "/CropBox"));
  if (media) {
    g.box = *media;
    if (crop) {
      g.box = {std::max(media->llx, crop->llx), std::max(media->lly, crop->lly), std::min(media->urx, crop->urx),
               std::min(media->ury, crop->ury)};
      if (g.box.width() < 0 || g.box.height() < 0) g.box = {};
    }
  }
  QPDFObjectHandle unit = page.getKey("/UserUnit");
  if (unit.isNumber() && std::isfinite(unit.getNumericValue()) && unit.getNumericValue() > 0)
    g.userUnit = unit.getNumericValue();
  QPDFObjectHandle rotate = inherited(page, "/Rotate");
  if (rotate.isInteger()) {
    const long long turned = ((rotate.getIntValue() % 360) + 360) % 360;
    g.rotation = turned % 90 == 0 ? static_cast<int>(turned) : 0;
  }
  return g;
}

bool isPagesNode(QPDFObjectHandle node) {
  QPDFObjectHandle type = node.getKey("/Type");
  if (type.isName()) return type.getName() == "/Pages";
  return node.getKey("/Kids").isArray();
}

// Descends by each node's /Count, so only the nodes on the way to the page are read.
QPDFObjectHandle descend(QPDFObjectHandle node, long long remaining) {
  for (int depth = 0; depth < kMaxTreeDepth; ++depth) {
    if (!isPagesNode(node)) return remaining == 0 ? node : QPDFObjectHandle::newNull();
    QPDFObjectHandle kids = node.getKey("/Kids");
    if (!kids.isArray()) return QPDFObjectHandle::newNull();
    bool down = false;
    for (int i = 0, n = kids.getArrayNItems(); i < n && !down; ++i) {
      QPDFObjectHandle kid = kids.getArrayItem(i);
      if (!kid.isDictionary()) return QPDFObjectHandle::newNull();
      long long count = 1;
      if (isPagesNode(kid)) {
        QPDFObjectHandle c = kid.getKey("/Count");
        if (!c.isInteger() || c.getIntValue() < 0) return QPDFObjectHandle::newNull();
        count = c.getIntValue();
      }
      if (remaining < count) {
        node = kid;
        down = true;
      } else {
        remaining -= count;
      }
    }
    if (!down) return QPDFObjectHandle::newNull();
  }
  return QPDFObjectHandle::newNull();
}

struct OpenedPdf {
  std::unique_ptr<QPDF> qpdf;
  std::string error;  // German; empty when opened
};

OpenedPdf openPdf(std::shared_ptr<PdfInput> input, const std::string& name) {
  OpenedPdf result;
  result.qpdf = std::make_unique<QPDF>();
  result.qpdf->setSuppressWarnings(true);
  result.qpdf->setAttemptRecovery(true);
  try {
    result.qpdf->processInputSource(std::make_shared<StreamSource>(std::move(input), name));
    if (result.qpdf->isEncrypted()) result.error = kPdfEncrypted;
  } catch (const QPDFExc& e) {
    result.error = e.getErrorCode() == qpdf_e_password ? kPdfEncrypted : kPdfDamaged;
  } catch (const std::exception&) {
    result.error = kPdfDamaged;
  }
  if (!result.error.empty()) result.qpdf.reset();
  return result;
}

struct FoundPage {
  QPDFObjectHandle page = QPDFObjectHandle::newNull();
  PdfPageFacts facts;
};

FoundPage findPdfPage(QPDF& qpdf, int number) {
  FoundPage found;
  PdfPageFacts& facts = found.facts;
  try {
    QPDFObjectHandle pages = qpdf.getRoot().getKey("/Pages");
    QPDFObjectHandle count = pages.getKey("/Count");
    const bool counted = count.isInteger() && count.getIntValue() >= 0 && count.getIntValue() <= INT32_MAX;
    if (counted) {
      facts.pageCount = static_cast<int>(count.getIntValue());
      if (number >= 1 && number <= facts.pageCount) found.page = descend(pages, number - 1);
    }
    if (found.page.isNull() && (!counted || (number >= 1 && number <= facts.pageCount))) {
      // A tree whose counts do not add up: qpdf walks it all and repairs what it can.
      const std::vector<QPDFObjectHandle>& all = qpdf.getAllPages();
      facts.pageCount = static_cast<int>(all.size());
      if (number >= 1 && number <= facts.pageCount) found.page = all[static_cast<size_t>(number - 1)];
    }
    if (facts.pageCount == 0)
      facts.error = kPdfNoPages;
    else if (found.page.isNull())
      facts.error = pageOutOfRange(number, facts.pageCount);
    else
      facts.geometry = geometryOf(found.page);
  } catch (const std::exception&) {
    found.page = QPDFObjectHandle::newNull();
    facts.error = kPdfDamaged;
  }
  return found;
}

// QPDFWriter's output, handed on.
class WritePipeline final : public Pipeline {
 public:
  explicit WritePipeline(const std::function<bool(const void*, size_t)>& write)
      : Pipeline("output", nullptr), write_(write) {}
  void write(unsigned char const* data, size_t length) override {
    if (!write_(data, length)) throw std::runtime_error("write failed");
  }
  void finish() override {}

 private:
  const std::function<bool(const void*, size_t)>& write_;
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

PdfPageFacts measurePdfPage(std::shared_ptr<PdfInput> input, const std::string& name, int number) {
  OpenedPdf pdf = openPdf(std::move(input), name);
  if (!pdf.qpdf) {
    PdfPageFacts facts;
    facts.error = pdf.error;
    return facts;
  }
  return findPdfPage(*pdf.qpdf, number).facts;
}

bool writeWithPageEmbedded(std::shared_ptr<PdfInput> ours, std::shared_ptr<PdfInput> source, int number,
                           const std::function<bool(const void*, size_t)>& write, std::string& error) {
  OpenedPdf from = openPdf(std::move(source), "source"), into = openPdf(std::move(ours), "poster");
  error = !from.qpdf ? from.error : !into.qpdf ? into.error : std::string();
  if (!error.empty()) return false;
  try {
    FoundPage found = findPdfPage(*from.qpdf, number);
    error = found.facts.error;
    if (!error.empty()) return false;
    QPDFObjectHandle form = QPDFPageObjectHelper(found.page).getFormXObjectForPage(false);
    const PdfBox& box = found.facts.geometry.box;
    form.getDict().replaceKey("/BBox", QPDFObjectHandle::newFromRectangle({box.llx, box.lly, box.urx, box.ury}));
    form.getDict().replaceKey("/Matrix", QPDFObjectHandle::newFromMatrix(placement(found.facts.geometry)));
    if (replacePlaceholders(*into.qpdf, into.qpdf->copyForeignObject(form)) == 0) {
      error = kNoPlaceholder;
      return false;
    }
  } catch (const std::exception&) {
    error = kPdfDamaged;
    return false;
  }
  try {
    WritePipeline pipeline(write);
    QPDFWriter writer(*into.qpdf);
    writer.setOutputPipeline(&pipeline);
    // Streams pass through as they are; only the page's new form is compressed.
    writer.setDecodeLevel(qpdf_dl_none);
    writer.write();
    return true;
  } catch (const std::exception&) {
    // Our caller tells a failed write from a source stream that could not be read.
    error = kPdfDamaged;
    return false;
  }
}

}  // namespace tessaro
