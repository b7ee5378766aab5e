#include "print/SheetBand.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/Numbers.h"
#include "picture/DrawDib.h"

namespace tessaro {

namespace {

constexpr int32_t kMaxGluePercent = 10;  // the glue edits' upper bound

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

// Steps shared by both band routines once the picture size (W, H or W', H') is known: grid
// extent, centring shift, band size and origin.
bool gridBand(int32_t w, int32_t h, const PosterLayout& l, bool center, int col, int row, SheetBand& band) {
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
  band.valid = true;
  return true;
}

void runOnX(SheetBand& band, int32_t vx, int g) {
  band.srcWidth = runOn(band.srcWidth, vx, g);
  band.dest.right = band.dest.left + runOn(band.dest.width(), vx, g);
}

void runOnY(SheetBand& band, int32_t vy, int g) {
  band.srcHeight = runOn(band.srcHeight, vy, g);
  band.dest.bottom = band.dest.top + runOn(band.dest.height(), vy, g);
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
  return l;
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

SheetBand printPageBand(const PosterLayout& layout, const Options& options, const GlueMargins& glueIn, int col,
                        int row, DeviceRect rect, bool extendIntoGlue) {
  SheetBand band;
  band.dest = rect;
  if (!layoutUsable(layout) || !gridBand(layout.W, layout.H, layout, options.OptCenter, col, row, band)) {
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
  const int32_t wr = Round((100 - static_cast<Ext>(glue.gx) / layout.SheetsX) * layout.W / 100);
  const int32_t hr = Round((100 - static_cast<Ext>(glue.gy) / layout.SheetsY) * layout.H / 100);
  SheetBand band;
  band.dest = rect;
  if (!gridBand(wr, hr, layout, options.OptCenter, col, row, band)) return SheetBand{};
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
  if (!band.valid || picture.empty() || band.srcWidth <= 0 || band.srcHeight <= 0 || band.dest.width() <= 0 ||
      band.dest.height() <= 0) {
    return;
  }
  // DrawDib counts source rows from the bottom of the picture.
  const int32_t lowestRow = DibHeight(picture) - band.srcTop - band.srcHeight;
  DrawDib(dc, band.dest.left, band.dest.top, band.dest.width(), band.dest.height(), picture, band.srcLeft, lowestRow,
          band.srcWidth, band.srcHeight, !forPrinter, SRCCOPY);
}

void PrintPage(Device& dc, const TDib& picture, const PosterState& poster, const Options& options,
               const GlueMargins& glue, int col, int row, DeviceRect rect, bool extendIntoGlue, bool forPrinter) {
  drawBand(dc, picture, printPageBand(posterLayout(picture, poster), options, glue, col, row, rect, extendIntoGlue),
           forPrinter);
}

void SpezialPrintPage(Device& dc, const TDib& picture, const PosterState& poster, const Options& options,
                      const GlueMargins& glue, int col, int row, DeviceRect rect, bool extendIntoGlue, bool forPrinter) {
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
