#include "print/SheetLabels.h"

#include <algorithm>
#include <vector>

#include "print/GlueNotes.h"

namespace tessaro {

namespace {

struct Region {
  DeviceRect rect;
  int32_t thickness = 0;  // the strip's width across, which sets the font size
  bool centreHorizontally = false;
};

// The regions of the strips that carry neither picture nor glue note, in order of preference.
std::vector<Region> freeRegions(Device& dc, const SheetPage& p, const Options& options) {
  const DeviceRect visible = visiblePart(p, options);
  const bool note = sheetHasGlueNote(options, p.SheetsX, p.SheetsY, p.col, p.row);
  TextSize noteSize;
  if (note) {
    dc.setFontHeight(glueNoteFontHeight(p.PH, p.AreaHeight));
    noteSize = dc.textExtent(std::string(kGlueNote));
  }
  std::vector<Region> regions;
  const int32_t bottom = p.PH - visible.bottom;
  if (bottom > 0) {
    const int32_t pad = std::max(1, bottom / 10);
    // The note is centred over the page width (see drawGlueNotes); stay left of it.
    const int32_t end = note ? (p.PW - noteSize.width) / 2 - pad : visible.right - pad;
    regions.push_back({{pad, visible.bottom, end, p.PH}, bottom, false});
  }
  const int32_t right = p.PW - visible.right;
  if (right > 0) {
    const int32_t pad = std::max(1, right / 10);
    const int32_t noteTop =
        note ? (p.PH - noteSize.height * static_cast<int32_t>(utf8Characters(kGlueNote).size())) / 2 : visible.bottom;
    regions.push_back({{visible.right + pad, pad, p.PW - pad, noteTop - pad}, right, true});
  }
  return regions;
}

// The largest font from three tenths of the strip down to half that at which `text` fits `r`.
bool fitText(Device& dc, const Region& r, const std::string& text, LabelPlacement& out) {
  const int32_t largest = Trunc(static_cast<Ext>(r.thickness) * 0.3L);
  const int32_t smallest = std::max<int32_t>(1, largest / 2);
  for (int32_t f = largest; f >= smallest && f >= 1; f -= std::max(1, f / 10)) {
    dc.setFontHeight(f);
    const TextSize size = dc.textExtent(text);
    if (size.width > r.rect.width() || size.height > r.rect.height()) continue;
    const int32_t x = r.centreHorizontally ? r.rect.left + (r.rect.width() - size.width) / 2 : r.rect.left;
    const int32_t y = r.centreHorizontally ? r.rect.top : r.rect.top + (r.rect.height() - size.height) / 2;
    out = {true, text, f, {x, y, x + size.width, y + size.height}};
    return true;
  }
  return false;
}

}  // namespace

std::string rowLetters(int row) {
  std::string letters;
  for (int n = row + 1; n > 0; n = (n - 1) / 26) letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
  return letters;
}

std::string sheetLabel(int col, int row) { return rowLetters(row) + std::to_string(col + 1); }

std::string sheetLabelLong(int col, int row, int32_t SheetsX, int32_t SheetsY) {
  return sheetLabel(col, row) + " – Zeile " + std::to_string(row + 1) + ", Spalte " + std::to_string(col + 1) +
         " – Poster " + std::to_string(SheetsX) + " × " + std::to_string(SheetsY) + " Blätter";
}

DeviceRect visiblePart(const SheetPage& p, const Options& options) {
  const bool edgeGrows = options.OptGlueMargin && options.OptNoEdgeGlue;
  return {0, 0, edgeGrows && p.col == p.SheetsX - 1 ? p.PW : p.AreaWidth,
          edgeGrows && p.row == p.SheetsY - 1 ? p.PH : p.AreaHeight};
}

LabelPlacement placeSheetLabel(Device& dc, const SheetPage& page, const Options& options) {
  const std::string texts[] = {sheetLabelLong(page.col, page.row, page.SheetsX, page.SheetsY),
                               sheetLabel(page.col, page.row)};
  LabelPlacement placement;
  for (const Region& r : freeRegions(dc, page, options)) {
    if (r.rect.width() <= 0 || r.rect.height() <= 0) continue;
    for (const std::string& text : texts)
      if (fitText(dc, r, text, placement)) return placement;
  }
  return placement;
}

void drawSheetLabel(Device& dc, const SheetPage& page, const Options& options) {
  const LabelPlacement label = placeSheetLabel(dc, page, options);
  if (label.placed) dc.textOut(label.box.left, label.box.top, label.text);
}

}  // namespace tessaro
