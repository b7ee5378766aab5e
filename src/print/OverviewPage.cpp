#include "print/OverviewPage.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "print/CheckRuler.h"
#include "print/PosterPrintSize.h"
#include "print/SheetLabels.h"

namespace tessaro {

namespace {

constexpr Color kGlueShade = rgbColor(200, 200, 200);
// The dot picture of the miniature is drawn no finer: its dots stay plain on paper, and the page
// carries an image of a few megabytes at most.
constexpr double kMiniatureDpi = 300;
constexpr double kMiniatureMaxSide = 4000;

bool edgeGrows(const Options& options) { return options.OptGlueMargin && options.OptNoEdgeGlue; }

// A line of text at the page's left margin, in smaller type when it would run off the page.
void writeLine(Device& page, const OverviewLayout& l, int32_t PW, int line, const std::string& text) {
  int32_t f = l.fontHeight;
  page.setFontHeight(f);
  const int32_t room = PW - 2 * l.margin;
  const int32_t width = page.textExtent(text).width;
  if (width > room && width > 0) {
    f = std::max<int32_t>(1, static_cast<int32_t>(static_cast<int64_t>(f) * room / width));
    page.setFontHeight(f);
  }
  page.textOut(l.margin, l.margin + line * l.linePitch, text);
}

void outline(Device& page, const DeviceRect& r) {
  page.setPen(kBlack, PenStyle::Solid);
  page.line(r.left, r.top, r.right - 1, r.top);
  page.line(r.right - 1, r.top, r.right - 1, r.bottom - 1);
  page.line(r.right - 1, r.bottom - 1, r.left, r.bottom - 1);
  page.line(r.left, r.bottom - 1, r.left, r.top);
}

// The label centred in the sheet's picture, when the cell is large enough to read it.
void labelSheet(Device& page, const OverviewLayout& l, const DeviceRect& picture, int col, int row) {
  const int32_t f = std::min(l.fontHeight, picture.height() / 3);
  if (f < 4) return;
  page.setFontHeight(f);
  const std::string text = sheetLabel(col, row);
  const TextSize size = page.textExtent(text);
  if (size.width > picture.width()) return;
  page.textOut(picture.left + (picture.width() - size.width) / 2, picture.top + (picture.height() - size.height) / 2,
               text);
}

void drawSheet(Device& page, const OverviewLayout& l, const TDib& picture, const PosterLayout& layout,
               const PosterState& poster, const Options& options, const GlueMargins& glue, int col, int row,
               bool skipped) {
  const DeviceRect sheet = overviewSheet(l, col, row);
  const DeviceRect shown = overviewPicture(l, poster, options, col, row);
  page.fillRect(sheet.left, sheet.top, sheet.right, sheet.bottom, kWhite);
  // The band as it shows once glued: never run on over a strip, which the next sheet covers.
  const DeviceRect area{sheet.left, sheet.top, sheet.left + l.innerW, sheet.top + l.innerH};
  drawBand(page, picture, sheetBand(layout, options, glue, col, row, area, false), true);
  if (shown.right < sheet.right) page.fillRect(shown.right, sheet.top, sheet.right, sheet.bottom, kGlueShade);
  if (shown.bottom < sheet.bottom) page.fillRect(sheet.left, shown.bottom, sheet.right, sheet.bottom, kGlueShade);
  outline(page, sheet);
  // Lines of a device pixel vanish on a printed page: a few side by side make the cross plain.
  if (skipped) {
    const int32_t thick = std::max(0, l.cellW / 60);
    for (int32_t d = 0; d <= thick; ++d)
      XitOut(page, sheet.left + d, sheet.top, sheet.right - 1 - thick + d, sheet.bottom - 1);
  }
  // Skipped sheets keep their label, so the grid still reads as printed.
  labelSheet(page, l, shown, col, row);
}

// The two check rulers, one above the other, with a gap of half a line between them.
const CheckRuler kOverviewRulers[] = {{RulerUnit::Millimetre, 100, kTenCentimetreLabel},
                                      {RulerUnit::Inch, 4, kFourInchLabel}};

int32_t rulersHeight(const OverviewLayout& l, const PageMetrics& m) {
  return rulerHeight(kOverviewRulers[0], m.dpiY) + l.linePitch / 2 + rulerHeight(kOverviewRulers[1], m.dpiY);
}

bool rulersFitAcross(const OverviewLayout& l, const PageMetrics& m) {
  for (const CheckRuler& r : kOverviewRulers)
    if (rulerLength(r, m.dpiX) + 1 > m.pageWidth - 2 * l.margin) return false;
  return true;
}

int32_t gridBottom(const OverviewLayout& l, const PosterState& poster) {
  return overviewSheet(l, poster.SheetsX - 1, poster.SheetsY - 1).bottom;
}

// The miniature as large as the page allows, made smaller where that leaves no room below it for
// the check rulers. Says whether the rulers fit.
OverviewLayout layoutWithRulers(const PageMetrics& m, const PosterState& poster, const Options& options,
                                const GlueMargins& glue, bool& rulers) {
  const OverviewLayout full = overviewLayout(m.pageWidth, m.pageHeight, poster, options, glue);
  rulers = false;
  if (!full.valid || m.dpiX <= 0 || m.dpiY <= 0 || !rulersFitAcross(full, m)) return full;
  const int32_t need = full.linePitch / 2 + rulersHeight(full, m);
  rulers = true;
  if (gridBottom(full, poster) + need <= m.pageHeight - full.margin) return full;
  const OverviewLayout smaller = overviewLayout(m.pageWidth, m.pageHeight, poster, options, glue, need);
  if (smaller.valid) return smaller;
  rulers = false;
  return full;
}

void drawRulers(Device& page, const OverviewLayout& l, const PageMetrics& m, int32_t top) {
  int32_t y = top;
  for (const CheckRuler& r : kOverviewRulers) {
    drawCheckRuler(page, l.margin, y, r, m.dpiX, m.dpiY);
    y += rulerHeight(r, m.dpiY) + l.linePitch / 2;
  }
}

// The dot picture at about the size the miniature shows the picture.
TDib dotMiniature(const DotScreen& dots, const OverviewLayout& l, const PosterLayout& layout, const PageMetrics& m) {
  const double finer = std::max({1.0, m.dpiX / kMiniatureDpi, m.dpiY / kMiniatureDpi});
  double w = l.innerW * layout.PosterWidth / finer, h = l.innerH * layout.PosterHeight / finer;
  const double larger = std::max({1.0, w / kMiniatureMaxSide, h / kMiniatureMaxSide});
  w /= larger;
  h /= larger;
  return renderDotPicture(dots, std::max(1, static_cast<int32_t>(std::lround(w))),
                          std::max(1, static_cast<int32_t>(std::lround(h))));
}

}  // namespace

OverviewLayout overviewLayout(int32_t PW, int32_t PH, const PosterState& poster, const Options& options,
                              const GlueMargins& glue, int32_t reserveBottom) {
  OverviewLayout l;
  const int32_t nx = poster.SheetsX, ny = poster.SheetsY;
  if (PW <= 0 || PH <= 0 || nx < 1 || ny < 1 || nx > kMaxSheets || ny > kMaxSheets) return l;
  l.margin = std::min(PW, PH) / 20;
  l.fontHeight = std::max(1, PH / 60);
  l.linePitch = l.fontHeight * 3 / 2;
  const int32_t top = l.margin + kOverviewLines * l.linePitch + l.linePitch / 2;
  const int32_t roomW = PW - 2 * l.margin;
  const int32_t roomH = PH - top - l.margin - std::max(0, reserveBottom);
  if (roomW <= 0 || roomH <= 0) return l;
  // Gaps of about half a percent of the page, but never more than a tenth of a cell.
  l.gap = std::max(1, std::min({PW / 200, roomW / (10 * nx), roomH / (10 * ny)}));
  // As wide as the room allows, the height following the page's shape; narrower when too tall.
  l.cellW = (roomW - (nx - 1) * l.gap) / nx;
  l.cellH = static_cast<int32_t>(static_cast<int64_t>(l.cellW) * PH / PW);
  if (static_cast<int64_t>(l.cellH) * ny + static_cast<int64_t>(ny - 1) * l.gap > roomH) {
    l.cellH = (roomH - (ny - 1) * l.gap) / ny;
    l.cellW = static_cast<int32_t>(static_cast<int64_t>(l.cellH) * PW / PH);
  }
  const GlueMargins g = clampGlue(glue);
  l.innerW = glueAreaLength(l.cellW, g.gx, options.OptGlueMargin);
  l.innerH = glueAreaLength(l.cellH, g.gy, options.OptGlueMargin);
  if (l.innerW < 1 || l.innerH < 1) return l;
  const int32_t gridW = nx * l.cellW + (nx - 1) * l.gap;
  l.gridLeft = (PW - gridW) / 2;
  l.gridTop = top;
  l.valid = true;
  return l;
}

DeviceRect overviewSheet(const OverviewLayout& l, int col, int row) {
  const int32_t x = l.gridLeft + col * (l.cellW + l.gap);
  const int32_t y = l.gridTop + row * (l.cellH + l.gap);
  return {x, y, x + l.cellW, y + l.cellH};
}

DeviceRect overviewPicture(const OverviewLayout& l, const PosterState& poster, const Options& options, int col,
                           int row) {
  const DeviceRect sheet = overviewSheet(l, col, row);
  const bool grows = edgeGrows(options);
  return {sheet.left, sheet.top, grows && col == poster.SheetsX - 1 ? sheet.right : sheet.left + l.innerW,
          grows && row == poster.SheetsY - 1 ? sheet.bottom : sheet.top + l.innerH};
}

void drawOverviewPage(Device& page, const PageMetrics& m, const TDib& picture, const PosterState& poster,
                      const Options& options, const GlueMargins& glue, const SheetGrid& skipped,
                      const DotScreen* dots) {
  bool rulers = false;
  const OverviewLayout l = layoutWithRulers(m, poster, options, glue, rulers);
  if (!l.valid) return;
  const PosterLayout layout = posterLayout(picture, poster);
  // The miniature's bands come from the picture shown, as many sheets across.
  const TDib miniature = dots ? dotMiniature(*dots, l, layout, m) : TDib();
  const TDib& shown = dots ? miniature : picture;
  const PosterLayout shownLayout = dots ? posterLayout(miniature, poster) : layout;
  bool anySkipped = false;
  for (int row = 0; row < poster.SheetsY; ++row)
    for (int col = 0; col < poster.SheetsX; ++col) {
      const bool off = skipped.off(col, row);
      anySkipped = anySkipped || off;
      drawSheet(page, l, shown, shownLayout, poster, options, glue, col, row, off);
    }

  const PosterPrintSize size = posterPrintSize(m, layout, options, glue);
  const std::string sheets = std::to_string(poster.SheetsX) + " × " + std::to_string(poster.SheetsY);
  writeLine(page, l, m.pageWidth, 0, "Übersicht: Poster " + sheets + " Blätter");
  writeLine(page, l, m.pageWidth, 1,
            "Fertige Größe: " + formatPosterSize(size) + ", " + formatPosterDpi(size) + " (Bildpunkte je Zoll)");
  writeLine(page, l, m.pageWidth, 2,
            options.OptGlueMargin ? "Kleben: Jeder graue Kleberand kommt unter das Blatt rechts daneben bzw. darunter."
                                  : "Ohne Kleberand: Die Blätter werden Kante an Kante gelegt.");
  writeLine(page, l, m.pageWidth, 3,
            "Reihenfolge: jede Zeile von links nach rechts (A1 unter A2), dann Zeile unter Zeile (A unter B).");
  if (anySkipped) writeLine(page, l, m.pageWidth, 4, "Rot durchgestrichene Blätter werden nicht gedruckt.");
  if (rulers) drawRulers(page, l, m, gridBottom(l, poster) + l.linePitch / 2);
}

}  // namespace tessaro
