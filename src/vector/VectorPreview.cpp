#include "vector/VectorPreview.h"

#include <cairo.h>
#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>
#include <poppler/cpp/poppler-page-renderer.h>
#include <poppler/cpp/poppler-page.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "picture/Limits.h"
#include "picture/Stream.h"
#include "vector/BoundedChild.h"
#include "vector/SvgDocument.h"
#include "vector/VectorMessages.h"

namespace tessaro {

namespace {

constexpr const char* kPreviewTooLarge = "Die Vorschau wäre größer, als ein Bild hier sein darf.";
constexpr const char* kPreviewFailed = "Die Seite lässt sich nicht zeichnen.";
constexpr const char* kPreviewTooSlow = "Die Seite lässt sich nicht in vertretbarer Zeit zeichnen.";

// The page's damage is reported when it is opened; poppler's own account goes nowhere.
void quiet(const std::string&, void*) {}

bool drawPdf(const VectorPage& page, TDib& dib) {
  static const bool silenced = (poppler::set_debug_error_function(quiet, nullptr), true);
  (void)silenced;
  const std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(page.path()));
  if (!doc || doc->is_locked() || page.number() > doc->pages()) return false;
  const std::unique_ptr<poppler::page> p(doc->create_page(page.number() - 1));
  if (!p) return false;
  const poppler::rectf box = p->page_rect(poppler::crop_box);
  const bool across = page.rotation() == 90 || page.rotation() == 270;
  const double shownWidth = across ? box.height() : box.width(), shownHeight = across ? box.width() : box.height();
  if (!(shownWidth > 0 && shownHeight > 0)) return false;
  const int width = DibWidth(dib), height = DibHeight(dib);
  poppler::page_renderer renderer;
  renderer.set_render_hints(poppler::page_renderer::antialiasing | poppler::page_renderer::text_antialiasing);
  renderer.set_image_format(poppler::image::format_rgb24);
  renderer.set_paper_color(0xffffffff);
  const poppler::image image =
      renderer.render_page(p.get(), width * 72.0 / shownWidth, height * 72.0 / shownHeight, 0, 0, width, height);
  if (!image.is_valid() || image.width() != width || image.height() != height) return false;
  for (int y = 0; y < height; ++y) {
    const auto* s = reinterpret_cast<const uint8_t*>(image.const_data()) + static_cast<size_t>(y) * image.bytes_per_row();
    uint8_t* d = dib.row(y);
    for (int x = 0; x < width; ++x, s += 3, d += 3) {
      d[0] = s[2];
      d[1] = s[1];
      d[2] = s[0];
    }
  }
  return true;
}

bool drawSvg(const VectorPage& page, TDib& dib) {
  FileInputStream in(page.path());
  const SvgDocument svg(in);
  if (!svg.error().empty()) return false;
  const int width = DibWidth(dib), height = DibHeight(dib);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  const bool drawn = svg.draw(cr, width, height);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  if (drawn && cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
    const uint8_t* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
      // Native-endian 0xXXRRGGBB words.
      const auto* s = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * static_cast<size_t>(stride));
      uint8_t* d = dib.row(y);
      for (int x = 0; x < width; ++x, d += 3) {
        d[0] = static_cast<uint8_t>(s[x]);
        d[1] = static_cast<uint8_t>(s[x] >> 8);
        d[2] = static_cast<uint8_t>(s[x] >> 16);
      }
    }
  }
  cairo_surface_destroy(surface);
  return drawn;
}

}  // namespace

TDib renderVectorPreview(const VectorPage& page, int maxWidth, int maxHeight, std::string* error) {
  // The refusals are those of drawing at no size.
  if (!page.ok() || maxWidth <= 0 || maxHeight <= 0) return renderVectorPageAt(page, 0, 0, error);
  const double scale = std::min(maxWidth / page.widthMm(), maxHeight / page.heightMm());
  const double width = std::max(1.0, std::round(page.widthMm() * scale));
  const double height = std::max(1.0, std::round(page.heightMm() * scale));
  return renderVectorPageAt(page, static_cast<int64_t>(width), static_cast<int64_t>(height), error);
}

TDib renderVectorPageAt(const VectorPage& page, int64_t width, int64_t height, std::string* error) {
  auto refuse = [&](const std::string& why) {
    if (error) *error = why;
    return TDib();
  };
  if (!page.ok()) return refuse(page.error());
  if (page.path().empty() || width <= 0 || height <= 0) return refuse(kPreviewFailed);
  if (!dibSizeAllowed(width, height, 24)) return refuse(kPreviewTooLarge);
  // Drawn by a bounded child straight into pixels it shares with us. The libraries keep a
  // picture of their own beside ours, at most four bytes a pixel, and large pictures get a
  // second more per ten megapixels.
  TDib dib = allocateSharedDib(static_cast<int32_t>(width), static_cast<int32_t>(height), 24);
  if (dib.empty()) return refuse(kPreviewTooLarge);
  const uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
  const ChildOutcome drawn = runInBoundedChild(
      [&] { return page.kind() == VectorKind::Pdf ? drawPdf(page, dib) : drawSvg(page, dib); },
      kDrawingSeconds + static_cast<int>(pixels / 10'000'000), kDrawingMemory + 8 * pixels);
  if (drawn == ChildOutcome::TimedOut) return refuse(kPreviewTooSlow);
  if (drawn != ChildOutcome::Done) return refuse(kPreviewFailed);
  touchDib(dib);
  return dib;
}

}  // namespace tessaro
