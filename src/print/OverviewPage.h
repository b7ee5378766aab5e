#pragma once
// The assembly page printed before the sheets: the whole poster in miniature with its sheet grid
// and labels, the glue strips shaded, the sheets left out crossed, the gluing order and the
// finished size.
#include <cstdint>

#include "picture/Device.h"
#include "picture/Dib.h"
#include "print/DotScreen.h"
#include "print/PrintService.h"
#include "print/SheetBand.h"
#include "state/MainState.h"

namespace tessaro {

// Text lines above the miniature: title, size, two lines of gluing order, the crossed sheets.
inline constexpr int kOverviewLines = 5;

// Where the miniature lies on a page of PW x PH. Every sheet is drawn as the page it is printed
// on, scaled down: cellW x cellH with its picture area innerW x innerH at the top left and the
// glue strips to its right and below; neighbours are `gap` apart.
struct OverviewLayout {
  bool valid = false;  // false when the page cannot hold a cell of a pixel
  int32_t margin = 0;
  int32_t fontHeight = 0;  // of the text lines; a line too wide for the page gets smaller type
  int32_t linePitch = 0;
  int32_t gridLeft = 0, gridTop = 0;
  int32_t gap = 0;
  int32_t cellW = 0, cellH = 0;
  int32_t innerW = 0, innerH = 0;
};

// `reserveBottom` pixels above the bottom margin stay free of the miniature.
OverviewLayout overviewLayout(int32_t PW, int32_t PH, const PosterState& poster, const Options& options,
                              const GlueMargins& glue, int32_t reserveBottom = 0);

// The whole miniature sheet (col, row), and the part of it that shows on the glued poster.
DeviceRect overviewSheet(const OverviewLayout& l, int col, int row);
DeviceRect overviewPicture(const OverviewLayout& l, const PosterState& poster, const Options& options, int col,
                           int row);

// Draws the page. `skipped` marks the sheets the job leaves out. With `dots` the miniature shows
// the dot picture instead of the picture's pixels.
void drawOverviewPage(Device& page, const PageMetrics& m, const TDib& picture, const PosterState& poster,
                      const Options& options, const GlueMargins& glue, const SheetGrid& skipped,
                      const DotScreen* dots = nullptr);

}  // namespace tessaro
