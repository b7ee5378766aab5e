#pragma once
// Sheet labels: each printed sheet names its place in the grid ("B3": row B, column 3), small, on
// a glue strip, which the next sheet covers once the poster is glued, so the visible picture
// stays untouched.
#include <cstdint>
#include <string>

#include "picture/Device.h"
#include "print/SheetBand.h"
#include "state/MainState.h"

namespace tessaro {

// Rows as letters, counted as spreadsheets count columns: A .. Z, AA, AB, ...
std::string rowLetters(int row);
// "B3" for row 1, column 2 (both 0-based).
std::string sheetLabel(int col, int row);
// "B3 – Zeile 2, Spalte 3 – Poster 4 × 5 Blätter".
std::string sheetLabelLong(int col, int row, int32_t SheetsX, int32_t SheetsY);

// A printed sheet of PW x PH with picture area AreaWidth x AreaHeight.
struct SheetPage {
  int32_t SheetsX = 1, SheetsY = 1;
  int col = 0, row = 0;
  int32_t PW = 0, PH = 0;
  int32_t AreaWidth = 0, AreaHeight = 0;
};

// The part of the page that shows on the glued poster: the picture area, grown to the page's edge
// where the sheet has no glue strip (last column or row without glue on the poster's edge).
DeviceRect visiblePart(const SheetPage& page, const Options& options);

// Where a label goes: its text, font height and box. Not placed when no glue strip of the sheet
// has room for even the short label.
struct LabelPlacement {
  bool placed = false;
  std::string text;
  int32_t fontHeight = 0;
  DeviceRect box;  // the text's extent at (box.left, box.top)
};

// Prefers the bottom strip, left of the glue note, with the long label; then the short one; then
// the top of the right strip above its note. Measures with `dc`, which keeps the chosen font.
LabelPlacement placeSheetLabel(Device& dc, const SheetPage& page, const Options& options);

// Places and writes the label; nothing when there is no room.
void drawSheetLabel(Device& dc, const SheetPage& page, const Options& options);

}  // namespace tessaro
