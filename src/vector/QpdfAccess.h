#pragma once
// Everything that reads or writes PDF through qpdf: opening with repair of what can be repaired,
// finding one page with what it inherits, and putting a page into our own file. qpdf 11's
// headers do not build as C++20 with clang (the fuzzers' compiler), so its implementation builds
// as C++17 and this header stays free of qpdf and of our C++20 headers.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tessaro {

// What qpdf reads from: the calls of an InputStream (picture/Stream.h), through StreamPdfInput.
class PdfInput {
 public:
  virtual ~PdfInput() = default;
  virtual size_t read(void* dst, size_t n) = 0;
  virtual bool seek(uint64_t pos) = 0;
  virtual uint64_t tell() const = 0;
  virtual uint64_t size() const = 0;
};

template <typename Stream>
class StreamPdfInput final : public PdfInput {
 public:
  explicit StreamPdfInput(std::shared_ptr<Stream> in) : in_(std::move(in)) {}
  size_t read(void* dst, size_t n) override { return in_->read(dst, n); }
  bool seek(uint64_t pos) override { return in_->seek(pos); }
  uint64_t tell() const override { return in_->tell(); }
  uint64_t size() const override { return in_->size(); }

 private:
  std::shared_ptr<Stream> in_;
};

// A rectangle in a page's default user space.
struct PdfBox {
  double llx = 0, lly = 0, urx = 0, ury = 0;
  double width() const { return urx - llx; }
  double height() const { return ury - lly; }
};

struct PdfPageGeometry {
  PdfBox box;           // the visible area: CropBox within MediaBox, else MediaBox
  double userUnit = 1;  // points per user space unit
  int rotation = 0;     // clockwise as shown, in degrees: 0, 90, 180 or 270
};

struct PdfPageFacts {
  PdfPageGeometry geometry;
  int pageCount = 0;
  std::string error;  // German; empty when the page was found
};

// Page `number` (1-based) of the PDF `input` holds, reached through the page tree's counts, so
// that no other page is read. Encrypted files and files qpdf cannot repair are refused.
PdfPageFacts measurePdfPage(std::shared_ptr<PdfInput> input, const std::string& name, int number);

// Writes `ours` through `write` with every page's /TessaroPage form pointing at page `number` of
// `source` (see PageEmbedder.h). False, with the German reason in `error`, when either file
// cannot be read, `ours` names no placeholder or `write` fails.
bool writeWithPageEmbedded(std::shared_ptr<PdfInput> ours, std::shared_ptr<PdfInput> source, int number,
                           const std::function<bool(const void*, size_t)>& write, std::string& error);

}  // namespace tessaro
