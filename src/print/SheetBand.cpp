#include "print/SheetBand.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "common/Numbers.h"
#include "picture/DrawDib.h"

namespace tessaro {

namespace {

constexpr int32_t kMaxGluePercent = 10;  // the glue edits' upper bound

// Bands of fewer whole pixels are drawn from their exact span (see drawnFromExactSpan).
constexpr int32_t kFewPixels = 64;

// Round of a value that must fit an int32; false when it does not (a corrupt poster size).
bool roundInto(Ext v, int32_t& out) {
  if (!std::isfinite(v) || v > static_cast<Ext>(std::numeric_limits<int32_t>::max()) ||
      v < static_cast<Ext>(std::numeric_limits<int32_t>::min())) {
    return false;
  }
  out = Round(v);
  return true;
}

bool layoutUsable(const PosterLayout& l) {
  return l.SheetsX >= 1 && l.SheetsY >= 1 && l.SheetsX <= kMaxSheets && l.SheetsY <= kMaxSheets &&
         std::isfinite(l.PosterWidth) && std::isfinite(l.PosterHeight) && l.PosterWidth > 0 && l.PosterHeight > 0 &&
         l.W >= 0 && l.H >= 0;
}

// Round(x * 100 / (100 - percent * g)): a length grown by the share of its glue strip.
int32_t runOn(int32_t x, int32_t percent, int g) {
  return Round(static_cast<Ext>(static_cast<int64_t>(x) * 100) / static_cast<Ext>(100 - percent * g));
}

// One axis of the band without rounding: `size` picture pixels spread over `poster` sheets of a
// grid of `sheets`.
BandSpan exactSpan(Ext size, int32_t sheets, double poster, bool center, int index) {
  const Ext grid = size * sheets / static_cast<Ext>(poster);
  BandSpan span;
  span.length = grid / sheets;
  span.start = span.length * index - (center ? (grid - size) / 2 : 0);
  return span;
}

// Steps shared by both band routines once the picture size (W, H or W', H') is known: grid
// extent, centring shift, band size and origin. exactW and exactH are that size before rounding.
bool gridBand(int32_t w, int32_t h, Ext exactW, Ext exactH, const PosterLayout& l, bool center, int col, int row,
              SheetBand& band) {
  const int64_t wn = static_cast<int64_t>(w) * l.SheetsX;
  const int64_t hn = static_cast<int64_t>(h) * l.SheetsY;
  int32_t gx = 0, gy = 0;
  if (!roundInto(static_cast<Ext>(wn) / static_cast<Ext>(l.PosterWidth), gx) ||
      !roundInto(static_cast<Ext>(hn) / static_cast<Ext>(l.PosterHeight), gy)) {
    return false;
  }
  const int32_t c = center ? 1 : 0;
  const int32_t sx = (gx - w) / 2;
  const int32_t sy = (gy - h) / 2;
  band.srcWidth = gx / l.SheetsX;
  band.srcHeight = gy / l.SheetsY;
  band.srcLeft = band.srcWidth * col - c * sx;
  band.srcTop = band.srcHeight * row - c * sy;
  band.exactX = exactSpan(exactW, l.SheetsX, l.PosterWidth, center, col);
  band.exactY = exactSpan(exactH, l.SheetsY, l.PosterHeight, center, row);
  band.physical = l.physical;
  band.valid = true;
  return true;
}

void runOnX(SheetBand& band, int32_t vx, int g) {
  band.srcWidth = runOn(band.srcWidth, vx, g);
  band.exactX.length = band.exactX.length * 100 / (100 - vx * g);
  band.dest.right = band.dest.left + runOn(band.dest.width(), vx, g);
}

void runOnY(SheetBand& band, int32_t vy, int g) {
  band.srcHeight = runOn(band.srcHeight, vy, g);
  band.exactY.length = band.exactY.length * 100 / (100 - vy * g);
  band.dest.bottom = band.dest.top + runOn(band.dest.height(), vy, g);
}

// Source pixels [src, src + len) of one axis stretched onto device coordinates [from, to).
struct AxisPiece {
  int32_t src, len, from, to;
};

// One axis of a band as it is drawn: the whole-pixel band as one piece, or, for a band of few
// pixels, the exact span. The pixels the span covers whole form one piece; a pixel it covers in
// part at either end is a piece of its own over its share of the device range. Pixels outside
// the picture are left out.
std::vector<AxisPiece> axisPieces(int32_t src, int32_t len, const BandSpan& exact, bool physical, int32_t from,
                                  int32_t to, int32_t size) {
  if (!drawnFromExactSpan(len, physical)) return {{src, len, from, to}};
  std::vector<AxisPiece> pieces;
  const Ext end = exact.start + exact.length;
  if (!(exact.length > 0) || !std::isfinite(end) || end <= 0 || exact.start >= size) return pieces;
  const Ext scale = (to - from) / exact.length;
  const auto at = [&](Ext x) { return Round(from + (x - exact.start) * scale); };
  const auto add = [&](int32_t first, int32_t count, Ext lo, Ext hi) {
    const AxisPiece p{first, count, at(lo), at(hi)};
    if (p.to > p.from) pieces.push_back(p);
  };
  const Ext lo = std::max<Ext>(exact.start, 0), hi = std::min<Ext>(end, size);
  const auto wholeFrom = static_cast<int32_t>(std::ceil(lo)), wholeTo = static_cast<int32_t>(std::floor(hi));
  if (wholeFrom > wholeTo) {  // within one pixel
    add(wholeTo, 1, lo, hi);
    return pieces;
  }
  if (lo < wholeFrom) add(wholeFrom - 1, 1, lo, wholeFrom);
  if (wholeFrom < wholeTo) add(wholeFrom, wholeTo - wholeFrom, wholeFrom, wholeTo);
  if (wholeTo < hi) add(wholeTo, 1, wholeTo, hi);
  return pieces;
}

}  // namespace

PosterLayout posterLayout(const TDib& picture, const PosterState& poster) {
  PosterLayout l;
  l.W = picture.empty() ? 0 : DibWidth(picture);
  l.H = picture.empty() ? 0 : DibHeight(picture);
  l.SheetsX = poster.SheetsX;
  l.SheetsY = poster.SheetsY;
  l.PosterWidth = poster.PosterWidth;
  l.PosterHeight = poster.PosterHeight;
  l.physical = poster.PhysicalScale > 0;
  return l;
}

bool drawnFromExactSpan(int32_t wholePixels, bool physical) { return physical || wholePixels < kFewPixels; }

Ext drawnLength(int32_t wholePixels, const BandSpan& exact, bool physical) {
  return drawnFromExactSpan(wholePixels, physical) ? exact.length : static_cast<Ext>(wholePixels);
}

GlueMargins clampGlue(const GlueMargins& glue) {
  return {std::clamp(glue.gx, 0, kMaxGluePercent), std::clamp(glue.gy, 0, kMaxGluePercent)};
}

int32_t glueAreaLength(int32_t length, int32_t percent, bool glueMargin) {
  const int64_t share = static_cast<int64_t>(100 - percent * (glueMargin ? 1 : 0)) * length;
  return Round(static_cast<Ext>(share) / 100);
}

int32_t areaWidth(int32_t pw, const Options& options, const GlueMargins& glue) {
  return glueAreaLength(pw, clampGlue(glue).gx, options.OptGlueMargin);
}

int32_t areaHeight(int32_t ph, const Options& options, const GlueMargins& glue) {
  return glueAreaLength(ph, clampGlue(glue).gy, options.OptGlueMargin);
}

SheetBand printPageBand(const PosterLayout& layout, const Options& options, const GlueMargins& glueIn, int col, int row,
                        DeviceRect rect, bool extendIntoGlue) {
  SheetBand band;
  band.dest = rect;
  if (!layoutUsable(layout) ||
      !gridBand(layout.W, layout.H, layout.W, layout.H, layout, options.OptCenter, col, row, band)) {
    return SheetBand{};
  }
  if (extendIntoGlue && options.OptPrintGlue) {
    // Band and rectangle grow by the same factor, so the scale stays.
    const GlueMargins glue = clampGlue(glueIn);
    const int g = options.OptGlueMargin ? 1 : 0;
    runOnX(band, glue.gx, g);
    runOnY(band, glue.gy, g);
  }
  return band;
}

SheetBand spezialPrintPageBand(const PosterLayout& layout, const Options& options, const GlueMargins& glueIn, int col,
                               int row, DeviceRect rect, bool extendIntoGlue) {
  if (!layoutUsable(layout)) return SheetBand{};
  const GlueMargins glue = clampGlue(glueIn);
  // The picture shrinks by the glue share spread over the sheets, so the wider last column and
  // row still end at the picture's edge.
  const Ext wr = (100 - static_cast<Ext>(glue.gx) / layout.SheetsX) * layout.W / 100;
  const Ext hr = (100 - static_cast<Ext>(glue.gy) / layout.SheetsY) * layout.H / 100;
  SheetBand band;
  band.dest = rect;
  if (!gridBand(Round(wr), Round(hr), wr, hr, layout, options.OptCenter, col, row, band)) return SheetBand{};
  const int g = options.OptGlueMargin ? 1 : 0;
  const bool printGlue = extendIntoGlue && options.OptPrintGlue;
  if (printGlue || col == layout.SheetsX - 1) runOnX(band, glue.gx, g);
  if (printGlue || row == layout.SheetsY - 1) runOnY(band, glue.gy, g);
  return band;
}

SheetBand sheetBand(const PosterLayout& layout, const Options& options, const GlueMargins& glue, int col, int row,
                    DeviceRect rect, bool extendIntoGlue) {
  if (options.OptNoEdgeGlue && options.OptGlueMargin) {
    return spezialPrintPageBand(layout, options, glue, col, row, rect, extendIntoGlue);
  }
  return printPageBand(layout, options, glue, col, row, rect, extendIntoGlue);
}

void drawBand(Device& dc, const TDib& picture, const SheetBand& band, bool forPrinter) {
  if (!band.valid || picture.empty() || band.dest.width() <= 0 || band.dest.height() <= 0) return;
  const int32_t h = DibHeight(picture);
  const std::vector<AxisPiece> columns =
      axisPieces(band.srcLeft, band.srcWidth, band.exactX, band.physical, band.dest.left, band.dest.right,
                 DibWidth(picture));
  const std::vector<AxisPiece> rows =
      axisPieces(band.srcTop, band.srcHeight, band.exactY, band.physical, band.dest.top, band.dest.bottom, h);
  for (const AxisPiece& x : columns) {
    for (const AxisPiece& y : rows) {
      // DrawDib counts source rows from the bottom of the picture.
      DrawDib(dc, x.from, y.from, x.to - x.from, y.to - y.from, picture, x.src, h - y.src - y.len, x.len, y.len,
              !forPrinter, SRCCOPY);
    }
  }
}

void PrintPage(Device& dc, const TDib& picture, const PosterState& poster, const Options& options,
               const GlueMargins& glue, int col, int row, DeviceRect rect, bool extendIntoGlue, bool forPrinter) {
  drawBand(dc, picture, printPageBand(posterLayout(picture, poster), options, glue, col, row, rect, extendIntoGlue),
           forPrinter);
}

void SpezialPrintPage(Device& dc, const TDib& picture, const PosterState& poster, const Options& options,
                      const GlueMargins& glue, int col, int row, DeviceRect rect, bool extendIntoGlue,
                      bool forPrinter) {
  drawBand(dc, picture,
           spezialPrintPageBand(posterLayout(picture, poster), options, glue, col, row, rect, extendIntoGlue),
           forPrinter);
}

void XitOut(Device& dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  dc.setPen(kRed, PenStyle::Solid);
  dc.line(left, top, right, bottom);
  dc.line(right, top, left, bottom);
}

}  // namespace tessaro
