// Feeds arbitrary bytes to SVG opening: the drawing is read, measured and, when it opens, drawn
// small, in this process, so that the sanitizers see librsvg's callers and our own code.
#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "picture/Stream.h"
#include "vector/SvgDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessaro::MemoryInputStream in(std::span<const uint8_t>(data, size));
  const tessaro::SvgDocument svg(in);
  if (!svg.error().empty()) return 0;
  if (!(svg.widthPt() > 0 || svg.widthPt() <= 0) || !(svg.heightPt() > 0 || svg.heightPt() <= 0)) std::abort();  // NaN
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 32, 32);
  cairo_t* cr = cairo_create(surface);
  svg.draw(cr, 32, 32);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return 0;
}
