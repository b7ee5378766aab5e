#pragma once
// The poster preview: every sheet as a cell of the paint box with its band of the picture, a red
// cross over clicked-out sheets, and mouse clicks that toggle sheets in the excluded-sheet grid.
#include <cstdint>
#include <functional>

#include "common/Numbers.h"
#include "picture/Device.h"
#include "picture/Dib.h"
#include "print/SheetBand.h"
#include "state/MainState.h"

namespace tessaro {

// The paint box and what the cell size reads besides the poster: the zoom edit, the base
// height of the scroll box and the printer's printable page (PW x PH).
struct PreviewBox {
  int32_t width = 0;  // VorschauBox's width and height
  int32_t height = 0;
  Ext zoom = 1;  // ZoomEd, as its text reads
  int32_t zoomBaseHeight = 0;
  int32_t pageWidth = 0;  // PW, PH
  int32_t pageHeight = 0;
  // The check ruler each sheet carries on its bottom glue strip, in page pixels; 0 for none.
  int32_t rulerLength = 0;
};

// Cell sizes of one sheet in box pixels. valid is false when nothing can be drawn: no sheets,
// no page size, or a box too small for cells of at least one pixel.
struct PreviewCells {
  bool valid = false;
  int32_t cellW = 0, cellH = 0;    // whole sheet with its glue strips
  int32_t innerW = 0, innerH = 0;  // picture area
  int32_t pitchW = 0, pitchH = 0;  // what a cell takes in the grid
};

struct CellRect {
  int32_t x0 = 0, y0 = 0, w = 0, h = 0;
};

PreviewCells previewCells(const PreviewBox& box, const PosterState& poster, const Options& options,
                          const GlueMargins& glue);

// Where sheet (col, row) lies in the box.
CellRect sheetCell(const PreviewCells& cells, const PosterState& poster, const Options& options, int col, int row);

// Draws a sheet's band of the picture into its cell, in place of the picture's own pixels.
using BandPainter = std::function<void(Device& box, const SheetBand& band)>;

// VorschauBoxPaint: draws every sheet; the box itself is not cleared. With `labels` each cell,
// clicked out or not, shows its sheet's label as the print does, where it is large enough to read.
// `drawSheet`, when given, draws the bands (a dot poster's dots); the picture still lays them out.
void paintPreview(Device& box, const TDib& picture, const PreviewBox& geometry, const PosterState& poster,
                  const Options& options, const GlueMargins& glue, const SheetGrid& SheetOff, bool labels = false,
                  const BandPainter& drawSheet = {});

// VorschauBoxMouseDown: toggles every sheet whose cell holds (x, y), edges included. Returns
// true when a sheet was toggled, so the box needs repainting.
bool clickPreview(SheetGrid& SheetOff, int32_t x, int32_t y, const PreviewBox& geometry, const PosterState& poster,
                  const Options& options, const GlueMargins& glue);

}  // namespace tessaro
