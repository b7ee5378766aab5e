#include "layout/PreviewGrid.h"

#include <algorithm>
#include <string>

#include "common/Numbers.h"
#include "print/SheetBand.h"
#include "print/SheetLabels.h"

namespace tessaro {

namespace {

constexpr int32_t kGridMargin = 10;  // the grid starts this far from the box's top-left corner
constexpr int32_t kCellGap = 2;      // pixels between neighbouring sheets
constexpr int32_t kBoxBorder = 18;   // the box's width less the two margins and a little slack

bool edgeSheetsGrow(const Options& options) { return options.OptNoEdgeGlue && options.OptGlueMargin; }

// (a * 10 div count - 20) * num div den div 10: one side of a cell from the other with the
// sheet's shape at one decimal of precision.
int32_t shapedSide(int32_t a, int32_t count, int32_t num, int32_t den) {
  const int64_t scaled = static_cast<int64_t>(a) * 10 / count - 20;
  return static_cast<int32_t>(scaled * num / den / 10);
}

constexpr int32_t kSmallestLabel = 8;  // font height in box pixels below which a label is unreadable

// The sheet's label in the top-left corner of its picture area.
void labelCell(Device& box, const CellRect& r, const PreviewCells& cells, int col, int row) {
  const int32_t f = std::min<int32_t>(12, cells.innerH / 3);
  if (f < kSmallestLabel) return;
  box.setFontHeight(f);
  const std::string text = sheetLabel(col, row);
  if (box.textExtent(text).width + 2 > cells.innerW) return;
  box.textOut(r.x0 + 1, r.y0 + 1, text);
}

// The check ruler on the sheet's bottom glue strip, at the right as the sheet carries it: a bar
// with a tick each centimetre, where the strip is tall enough to show them.
void rulerCell(Device& box, const CellRect& r, const PreviewCells& cells, const PreviewBox& geometry) {
  const int32_t strip = cells.cellH - cells.innerH;
  const auto length = static_cast<int32_t>(int64_t{geometry.rulerLength} * cells.cellW / geometry.pageWidth);
  if (strip < 4 || length < 10 || length > cells.innerW) return;
  const int32_t y = r.y0 + cells.innerH + strip / 2 + 1, right = r.x0 + cells.innerW;
  box.setPen(kBlack, PenStyle::Solid);
  box.line(right - length, y, right + 1, y);
  constexpr int kCentimetres = 5;
  for (int cm = 0; cm <= kCentimetres; ++cm) {
    const int32_t x = right - length + length * cm / kCentimetres;
    box.line(x, y - 1, x, y);
  }
}

}  // namespace

PreviewCells previewCells(const PreviewBox& box, const PosterState& poster, const Options& options,
                          const GlueMargins& glueIn) {
  PreviewCells c;
  const int32_t nx = poster.SheetsX, ny = poster.SheetsY;
  const int32_t pw = box.pageWidth, ph = box.pageHeight;
  if (nx < 1 || ny < 1 || nx > kMaxSheets || ny > kMaxSheets || pw <= 0 || ph <= 0) return c;

  const int32_t a = box.width - kBoxBorder;
  c.cellW = a / nx - kCellGap;
  c.cellH = shapedSide(a, nx, ph, pw);
  // Too tall for the box at this zoom: fit the height instead.
  const int64_t gridHeight = static_cast<int64_t>(c.cellH + kCellGap) * ny + kBoxBorder;
  if (static_cast<Ext>(gridHeight) > box.zoom * box.zoomBaseHeight) {
    const int32_t b = box.height - kBoxBorder;
    c.cellH = b / ny - kCellGap;
    c.cellW = shapedSide(b, ny, pw, ph);
  }
  const GlueMargins glue = clampGlue(glueIn);
  c.innerW = glueAreaLength(c.cellW, glue.gx, options.OptGlueMargin);
  c.innerH = glueAreaLength(c.cellH, glue.gy, options.OptGlueMargin);
  c.pitchW = options.OptShowGlue ? c.cellW : c.innerW;
  c.pitchH = options.OptShowGlue ? c.cellH : c.innerH;
  // A box too small for a pixel per cell shows nothing rather than bands of negative size.
  c.valid = c.innerW >= 1 && c.innerH >= 1;
  return c;
}

CellRect sheetCell(const PreviewCells& cells, const PosterState& poster, const Options& options, int col, int row) {
  CellRect r;
  r.x0 = col * (cells.pitchW + kCellGap) + kGridMargin;
  r.y0 = row * (cells.pitchH + kCellGap) + kGridMargin;
  // Edge sheets without a glue strip use it for picture.
  const bool grow = edgeSheetsGrow(options);
  r.w = grow && col == poster.SheetsX - 1 ? cells.cellW : cells.pitchW;
  r.h = grow && row == poster.SheetsY - 1 ? cells.cellH : cells.pitchH;
  return r;
}

void paintPreview(Device& box, const TDib& picture, const PreviewBox& geometry, const PosterState& poster,
                  const Options& options, const GlueMargins& glue, const SheetGrid& SheetOff, bool labels,
                  const BandPainter& drawSheet) {
  const PreviewCells cells = previewCells(geometry, poster, options, glue);
  if (!cells.valid) return;
  const PosterLayout layout = posterLayout(picture, poster);
  const bool grow = edgeSheetsGrow(options);
  const bool dotted = options.OptGlueMargin && options.OptShowGlue;
  for (int i = 0; i < poster.SheetsX; ++i) {
    for (int j = 0; j < poster.SheetsY; ++j) {
      const CellRect r = sheetCell(cells, poster, options, i, j);
      box.setBrush(kWhite);
      box.setPen(kWhite, PenStyle::Solid);
      box.rectangle(r.x0, r.y0, r.x0 + r.w, r.y0 + r.h);
      if (SheetOff.off(i, j)) {
        if (grow) {
          XitOut(box, r.x0, r.y0, r.x0 + r.w, r.y0 + r.h);
        } else {
          XitOut(box, r.x0, r.y0, r.x0 + cells.innerW, r.y0 + cells.innerH);
        }
      } else {
        const DeviceRect area{r.x0, r.y0, r.x0 + cells.innerW, r.y0 + cells.innerH};
        const SheetBand band = sheetBand(layout, options, glue, i, j, area, options.OptShowGlue);
        if (drawSheet) {
          drawSheet(box, band);
        } else {
          drawBand(box, picture, band, false);
        }
      }
      if (labels) labelCell(box, r, cells, i, j);
      if (geometry.rulerLength > 0 && options.OptGlueMargin && !(j == poster.SheetsY - 1 && options.OptNoEdgeGlue))
        rulerCell(box, r, cells, geometry);
      if (dotted) {
        box.setPen(kBlack, PenStyle::Dot);
        box.setBrush(kWhite);
        const int32_t gx = r.x0 + cells.innerW + 1;
        const int32_t gy = r.y0 + cells.innerH + 1;
        if (!(i == poster.SheetsX - 1 && options.OptNoEdgeGlue)) box.line(gx, r.y0, gx, gy);
        if (!(j == poster.SheetsY - 1 && options.OptNoEdgeGlue)) box.line(r.x0, gy, gx, gy);
        box.setPen(kBlack, PenStyle::Solid);
      }
    }
  }
}

bool clickPreview(SheetGrid& SheetOff, int32_t x, int32_t y, const PreviewBox& geometry, const PosterState& poster,
                  const Options& options, const GlueMargins& glue) {
  const PreviewCells cells = previewCells(geometry, poster, options, glue);
  if (!cells.valid) return false;
  bool toggled = false;
  for (int i = 0; i < poster.SheetsX; ++i) {
    for (int j = 0; j < poster.SheetsY; ++j) {
      const CellRect r = sheetCell(cells, poster, options, i, j);
      if (r.x0 <= x && x <= r.x0 + r.w && r.y0 <= y && y <= r.y0 + r.h) {
        SheetOff.toggle(i, j);  // klickpage
        toggled = true;
      }
    }
  }
  return toggled;
}

}  // namespace tessaro
