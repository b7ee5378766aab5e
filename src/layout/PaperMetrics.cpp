#include "layout/PaperMetrics.h"

#include <charconv>

namespace tessaro {

Ext pixelsToMm(int32_t v, int32_t dpi) {
  if (dpi <= 0) return 0;
  const int64_t product = static_cast<int64_t>(v) * 297;
  return static_cast<Ext>(product) / 3510 * 300 / dpi;
}

std::string formatMm(Ext mm) {
  char buf[64];
  // Negative zero would print as "-0.00".
  if (mm == 0) mm = 0;
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, mm, std::chars_format::fixed, 2);
  if (ec != std::errc()) return "0.00";
  return std::string(buf, end);
}

namespace {
// value * page / 100 * 297 / 3510 * 300 / dpi, left to right.
Ext glueMm(int32_t percent, int32_t page, int32_t dpi) {
  if (dpi <= 0) return 0;
  const int64_t product = static_cast<int64_t>(percent) * page;
  return static_cast<Ext>(product) / 100 * 297 / 3510 * 300 / dpi;
}
}  // namespace

PaperTexts paperTexts(const PageMetrics& m, const GlueMargins& glue) {
  PaperTexts t;
  t.paper =
      formatMm(pixelsToMm(m.physicalWidth, m.dpiX)) + " x " + formatMm(pixelsToMm(m.physicalHeight, m.dpiY)) + " mm";
  t.top = formatMm(pixelsToMm(m.offsetY, m.dpiY)) + " mm";
  t.left = formatMm(pixelsToMm(m.offsetX, m.dpiX)) + " mm";
  t.right = formatMm(pixelsToMm(m.physicalWidth - m.pageWidth - m.offsetX, m.dpiX)) + " mm";
  t.bottom = formatMm(pixelsToMm(m.physicalHeight - m.pageHeight - m.offsetY, m.dpiY)) + " mm";
  t.glueRight = formatMm(glueMm(glue.gx, m.pageWidth, m.dpiX)) + " mm";
  t.glueBottom = formatMm(glueMm(glue.gy, m.pageHeight, m.dpiY)) + " mm";
  return t;
}

}  // namespace tessaro
