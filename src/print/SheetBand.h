#pragma once
// The picture band of one poster sheet: which rectangle of the picture lands on which rectangle
// of a device. The preview and the print job share these routines, so a sheet looks the same on
// screen and on paper.
#include <cstdint>

#include "common/Numbers.h"
#include "picture/Device.h"
#include "picture/Dib.h"
#include "state/MainState.h"

namespace tessaro {

// A device rectangle; right and bottom are exclusive.
struct DeviceRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
  bool operator==(const DeviceRect&) const = default;
};

// What the band computation reads of the picture and the poster state.
struct PosterLayout {
  int32_t W = 0;  // picture width and height in pixels
  int32_t H = 0;
  int32_t SheetsX = 1;
  int32_t SheetsY = 1;
  double PosterWidth = 1.0;
  double PosterHeight = 1.0;
  bool physical = false;  // printed at a physical size: every band is drawn from its exact span
};

PosterLayout posterLayout(const TDib& picture, const PosterState& poster);

// A stretch of the picture along one axis in fractional pixels.
struct BandSpan {
  Ext start = 0;
  Ext length = 0;
  bool operator==(const BandSpan&) const = default;
};

// The band of a sheet in picture pixels (left and top counted from the picture's top-left
// corner, possibly negative or beyond the picture) and the device rectangle it is stretched to.
struct SheetBand {
  int32_t srcLeft = 0;
  int32_t srcTop = 0;
  int32_t srcWidth = 0;   // BW after any run-on over the glue strips
  int32_t srcHeight = 0;  // BH likewise
  DeviceRect dest;
  bool valid = false;  // false when the layout cannot hold a band (no sheets, no poster size)
  // The same band before rounding to whole pixels. Along an axis where the band holds few
  // pixels it is drawn from these instead (see drawnFromExactSpan).
  BandSpan exactX;
  BandSpan exactY;
  bool physical = false;  // drawn from the exact spans whatever their size
  bool operator==(const SheetBand&) const = default;
};

// Whether a band of this many whole pixels is drawn from its exact span. Rounding a band to
// whole pixels moves its far edge by up to a pixel: nothing on a sheet of a thousand pixels, but
// on a sheet that shows a few pixels (a tiny picture on many sheets) it prints the picture out
// of proportion, and a sheet of less than a pixel would show nothing at all.
// A poster printed at a physical size is drawn from its exact spans throughout, as whole pixels
// would miss the size by up to a pixel per sheet.
bool drawnFromExactSpan(int32_t wholePixels, bool physical);
// Picture pixels per band along one axis as drawn.
Ext drawnLength(int32_t wholePixels, const BandSpan& exact, bool physical);

// Glue percentages limited to what the glue edits allow, so no strip eats the whole page.
GlueMargins clampGlue(const GlueMargins& glue);

// Band of PrintPage: every sheet holds an equal share of the grid.
SheetBand printPageBand(const PosterLayout& layout, const Options& options, const GlueMargins& glue, int col, int row,
                        DeviceRect rect, bool extendIntoGlue);
// Band of SpezialPrintPage: without glue strips on the poster's outer edge the last column and
// row use the full page and hold a larger band.
SheetBand spezialPrintPageBand(const PosterLayout& layout, const Options& options, const GlueMargins& glue, int col,
                               int row, DeviceRect rect, bool extendIntoGlue);
// The band routine that applies under the options: SpezialPrintPage with the glue margin and no
// glue on the outer edge, PrintPage otherwise.
SheetBand sheetBand(const PosterLayout& layout, const Options& options, const GlueMargins& glue, int col, int row,
                    DeviceRect rect, bool extendIntoGlue);

// Draws a computed band with DrawDib; halftoning only for screens.
void drawBand(Device& dc, const TDib& picture, const SheetBand& band, bool forPrinter);

void PrintPage(Device& dc, const TDib& picture, const PosterState& poster, const Options& options,
               const GlueMargins& glue, int col, int row, DeviceRect rect, bool extendIntoGlue, bool forPrinter);
void SpezialPrintPage(Device& dc, const TDib& picture, const PosterState& poster, const Options& options,
                      const GlueMargins& glue, int col, int row, DeviceRect rect, bool extendIntoGlue, bool forPrinter);

// The red cross over a clicked-out sheet.
void XitOut(Device& dc, int32_t left, int32_t top, int32_t right, int32_t bottom);

// The picture area of a length that carries a glue strip of `percent` (when the glue margin is
// on): Round((100 - percent * g) * length / 100). Serves the printed page and the preview cells.
int32_t glueAreaLength(int32_t length, int32_t percent, bool glueMargin);
// Size of a sheet's picture area on a page of pw x ph device pixels (page less glue strips).
int32_t areaWidth(int32_t pw, const Options& options, const GlueMargins& glue);
int32_t areaHeight(int32_t ph, const Options& options, const GlueMargins& glue);

}  // namespace tessaro
