#include "print/PosterPrintSize.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace tessaro {

namespace {

// One direction: `pixels` picture pixels, of which `perSheet` are stretched over `area` device
// pixels of a sheet at `dpi`.
struct AxisSize {
  Ext inches = 0;
  Ext dpi = 0;
};

AxisSize axisSize(int32_t pixels, Ext perSheet, int32_t area, int32_t dpi) {
  if (!(perSheet > 0) || area <= 0 || dpi <= 0) return {};
  const Ext deviceDots = static_cast<Ext>(pixels) * area / perSheet;
  return {deviceDots / dpi, perSheet * dpi / area};
}

std::string fixed(Ext v, int decimals) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  if (ec != std::errc()) return "0.0";
  return std::string(buf, end);
}

}  // namespace

PosterPrintSize posterPrintSize(const PageMetrics& m, const PosterLayout& layout, const Options& options,
                                const GlueMargins& glue) {
  // The first sheet's band on the picture area of a page, exactly as the print job computes it;
  // every sheet shares its scale.
  const DeviceRect area{0, 0, areaWidth(m.pageWidth, options, glue), areaHeight(m.pageHeight, options, glue)};
  const SheetBand band = sheetBand(layout, options, glue, 0, 0, area, false);
  PosterPrintSize size;
  if (!band.valid || layout.W <= 0 || layout.H <= 0) return size;
  // The band's own rectangle: a last sheet's band runs over its strip, and so does its rectangle.
  const AxisSize x =
      axisSize(layout.W, drawnLength(band.srcWidth, band.exactX, band.physical), band.dest.width(), m.dpiX);
  const AxisSize y =
      axisSize(layout.H, drawnLength(band.srcHeight, band.exactY, band.physical), band.dest.height(), m.dpiY);
  if (!(x.dpi > 0) || !(y.dpi > 0)) return size;
  size.valid = true;
  size.physical = layout.physical;
  // A ruler on the finished poster measures real centimetres: the true inch, not the program's
  // millimetre factor of the paper fields.
  size.widthCm = x.inches * kCmPerInch;
  size.heightCm = y.inches * kCmPerInch;
  size.dpi = Round(std::min({x.dpi, y.dpi, static_cast<Ext>(std::numeric_limits<int32_t>::max())}));
  return size;
}

std::string formatPosterSize(const PosterPrintSize& size) {
  if (!size.valid) return "-";
  const int decimals = size.physical ? 2 : 1;
  return fixed(size.widthCm, decimals) + " x " + fixed(size.heightCm, decimals) + " cm";
}

std::string formatPosterDpi(const PosterPrintSize& size) {
  if (!size.valid) return "-";
  return std::to_string(size.dpi) + " dpi";
}

}  // namespace tessaro
