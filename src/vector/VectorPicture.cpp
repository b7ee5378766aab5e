#include "vector/VectorPicture.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "picture/Limits.h"
#include "picture/RemovedOnSignal.h"
#include "vector/SvgToPdf.h"
#include "vector/VectorMessages.h"
#include "vector/VectorPreview.h"

namespace tessaro {

namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kPointsPerMm = 72 / kMmPerInch;

// A PDF copy of an SVG drawing in the temporary folder, removed when the last picture that shows
// it goes, and by the termination signals before that.
class TemporaryPdf {
 public:
  TemporaryPdf() {
    const char* dir = std::getenv("TMPDIR");
    folderPath_ = dir && *dir ? dir : "/tmp";
    folder_ = ::open(folderPath_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0) return;
    const TerminationSignalsHeld held;
    std::string pattern = folderPath_ + "/tessaro-page-XXXXXX.pdf";
    const int fd = ::mkstemps(pattern.data(), 4);
    if (fd < 0) return;
    ::close(fd);
    path_ = pattern;
    removal_ = std::make_unique<RemovedOnSignal>(folder_, path_.substr(folderPath_.size() + 1));
  }
  ~TemporaryPdf() {
    if (!path_.empty()) ::unlink(path_.c_str());
    removal_.reset();
    if (folder_ >= 0) ::close(folder_);
  }
  TemporaryPdf(const TemporaryPdf&) = delete;
  TemporaryPdf& operator=(const TemporaryPdf&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string folderPath_;
  int folder_ = -1;
  std::string path_;
  std::unique_ptr<RemovedOnSignal> removal_;
};

FileError refused(const std::string& why) {
  FileError e;
  e.fault = FileFault::Refused;
  e.detail = why;
  return e;
}

// The page's size in inches.
double widthInches(const PictureSource& s) { return s.widthPt / 72; }
double heightInches(const PictureSource& s) { return s.heightPt / 72; }

TDib standIn(const std::string& fileName, int number, FileError& why) {
  const VectorPage page = VectorPage::open(fileName, number);
  if (!page.ok()) return why = refused(page.error()), TDib();
  auto source = std::make_shared<PictureSource>();
  source->kind = PictureSource::Kind::Vector;
  source->path = fileName;
  source->svg = page.kind() == VectorKind::Svg;
  source->page = number;
  source->pageCount = page.pageCount();
  source->rotation = page.rotation();
  source->widthPt = page.widthMm() * kPointsPerMm;
  source->heightPt = page.heightMm() * kPointsPerMm;
  source->pdfPath = fileName;
  if (source->svg) {
    auto copy = std::make_shared<TemporaryPdf>();
    std::string error;
    if (copy->path().empty())
      return why = refused("Für die SVG-Datei kann keine temporäre Datei angelegt werden."), TDib();
    if (!svgToPdf(fileName, copy->path(), &error)) return why = refused(error), TDib();
    source->pdfPath = copy->path();
    source->keep = copy;
  }
  const double longInches = std::max(widthInches(*source), heightInches(*source));
  // Never coarser than a resolution the physical size accepts, with room for the rounding of the
  // short side: a page of 200 inches gets 2400 pixels.
  const double longSide =
      std::max(std::clamp(std::round(longInches * kStandInDpi), double{kStandInMinPixels}, double{kStandInMaxPixels}),
               std::ceil(longInches * kStandInMinDpi - 1e-6));  // past the mm round trip of the size
  std::string error;
  TDib dib = renderVectorPreview(page, static_cast<int>(longSide), static_cast<int>(longSide), &error);
  if (dib.empty()) return why = refused(error), TDib();
  // Exactly the page's size, whatever the rounding of the pixel counts.
  dib.Dpi = {DibWidth(dib) / widthInches(*source), DibHeight(dib) / heightInches(*source)};
  keepSource(dib, std::move(source));
  return dib;
}

// The pixel counts of the page at `dpi`.
std::pair<int64_t, int64_t> pixelsAt(const PictureSource& s, double dpi) {
  return {std::max<int64_t>(1, std::llround(widthInches(s) * dpi)),
          std::max<int64_t>(1, std::llround(heightInches(s) * dpi))};
}

}  // namespace

TDib loadPictureOrPage(const std::string& fileName, const LoadRequest& request, FileError* why, LoadNotes* notes) {
  FileError fault;
  if (fileName == kStandardStream || vectorKindOfFile(fileName) == VectorKind::None) {
    // A picture file is one page.
    if (request.read.page == 1) return loadPicture(fileName, request, why, notes);
    if (why) *why = refused(pageOutOfRange(request.read.page, 1));
    return TDib();
  }
  TDib dib = standIn(fileName, request.read.page, fault);
  if (why) *why = fault;
  if (notes && !dib.empty()) *notes = LoadNotes{}, notes->resolution = dib.Dpi;
  return dib;
}

const PictureSource* vectorPageOf(const TDib& picture) {
  const PictureSource* source = unchangedSource(picture);
  return source && source->kind == PictureSource::Kind::Vector ? source : nullptr;
}

double defaultRasterDpi(const TDib& standIn, double wanted) {
  const PictureSource* page = vectorPageOf(standIn);
  if (!page) return 0;
  double dpi = wanted > 0 ? wanted : kRasterDpi;
  // Straight from the limits, then down in whole steps past the rounding of the pixel counts.
  const double w = widthInches(*page), h = heightInches(*page);
  dpi = std::min({dpi, kMaxDimension / w, kMaxDimension / h, std::sqrt(kMaxPixelBytes / (3 * w * h))});
  dpi = std::floor(dpi);
  while (dpi > 1 && !dibSizeAllowed(pixelsAt(*page, dpi).first, pixelsAt(*page, dpi).second, 24)) dpi -= 1;
  return dpi;
}

bool rasterizeVectorPage(const TDib& standIn, double dpi, TDib& out, std::string& error) {
  const PictureSource* source = vectorPageOf(standIn);
  if (!source) return error = "Das Bild ist keine Vektorseite.", false;
  if (!(dpi >= 1 && dpi <= kMaxDimension)) return error = "Die Auflösung muss zwischen 1 und 262144 dpi liegen.", false;
  const auto [width, height] = pixelsAt(*source, dpi);
  if (!dibSizeAllowed(width, height, 24)) {
    error = "Bei " + std::to_string(std::lround(dpi)) + " dpi wäre das Bild " + std::to_string(width) + " x " +
            std::to_string(height) + " Pixel groß, größer, als ein Bild hier sein darf.";
    return false;
  }
  const VectorPage page = VectorPage::open(source->path, source->page);
  TDib dib = renderVectorPageAt(page, width, height, &error);
  if (dib.empty()) return false;
  dib.Dpi = {dpi, dpi};
  out = std::move(dib);
  return true;
}

}  // namespace tessaro
