#include "vector/PdfPageTree.h"

#include <qpdf/InputSource.hh>
#include <qpdf/QPDFExc.hh>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <stdexcept>

#include "vector/VectorMessages.h"

namespace tessaro {

namespace {

// Deeper than any page tree a writer makes; a loop of /Kids or /Parent ends here.
constexpr int kMaxTreeDepth = 256;

// qpdf reads through our own streams, so a file is opened as every picture is (never a FIFO or
// a device) and bytes in memory are read the same way.
class StreamSource final : public InputSource {
 public:
  StreamSource(std::shared_ptr<InputStream> in, std::string name) : in_(std::move(in)), name_(std::move(name)) {}
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
  void seek(qpdf_offset_t offset, int whence) override {
    const qpdf_offset_t base =
        whence == SEEK_END ? static_cast<qpdf_offset_t>(in_->size()) : whence == SEEK_CUR ? tell() : 0;
    if (offset < 0 && -offset > base) throw std::runtime_error(name_ + ": seek before the start");
    in_->seek(static_cast<uint64_t>(base + offset));
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
  std::shared_ptr<InputStream> in_;
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

}  // namespace

OpenedPdf openPdf(std::shared_ptr<InputStream> input, const std::string& name) {
  OpenedPdf result;
  result.input = input;
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

FoundPage findPdfPage(QPDF& qpdf, int number) {
  FoundPage found;
  try {
    QPDFObjectHandle pages = qpdf.getRoot().getKey("/Pages");
    QPDFObjectHandle count = pages.getKey("/Count");
    const bool counted = count.isInteger() && count.getIntValue() >= 0 && count.getIntValue() <= INT32_MAX;
    if (counted) {
      found.pageCount = static_cast<int>(count.getIntValue());
      if (number >= 1 && number <= found.pageCount) found.page = descend(pages, number - 1);
    }
    if (found.page.isNull() && (!counted || (number >= 1 && number <= found.pageCount))) {
      // A tree whose counts do not add up: qpdf walks it all and repairs what it can.
      const std::vector<QPDFObjectHandle>& all = qpdf.getAllPages();
      found.pageCount = static_cast<int>(all.size());
      if (number >= 1 && number <= found.pageCount) found.page = all[static_cast<size_t>(number - 1)];
    }
    if (found.pageCount == 0)
      found.error = kPdfNoPages;
    else if (found.page.isNull())
      found.error = pageOutOfRange(number, found.pageCount);
    else
      found.geometry = geometryOf(found.page);
  } catch (const std::exception&) {
    found.page = QPDFObjectHandle::newNull();
    found.error = kPdfDamaged;
  }
  return found;
}

}  // namespace tessaro
