#include "print/GlueNotes.h"

#include <algorithm>

#include "common/Numbers.h"

namespace tessaro {

namespace {

// Length of the UTF-8 sequence that starts with `lead`; 1 for bytes that start none.
size_t sequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

bool isContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

std::vector<std::string> utf8Characters(std::string_view text) {
  std::vector<std::string> chars;
  size_t i = 0;
  while (i < text.size()) {
    size_t n = sequenceLength(static_cast<unsigned char>(text[i]));
    // A truncated or broken sequence yields its lead byte alone rather than swallowing the next
    // character.
    for (size_t j = 1; j < n; ++j) {
      if (i + j >= text.size() || !isContinuation(static_cast<unsigned char>(text[i + j]))) {
        n = 1;
        break;
      }
    }
    chars.emplace_back(text.substr(i, n));
    i += n;
  }
  return chars;
}

bool sheetHasGlueNote(const Options& options, int32_t SheetsX, int32_t SheetsY, int col, int row) {
  return options.OptGlueMargin && options.OptEdgeHints && col != SheetsX - 1 && row != SheetsY - 1;
}

int32_t glueNoteFontHeight(int32_t PH, int32_t AreaHeight) {
  return Trunc(static_cast<Ext>(PH - AreaHeight) * 0.3L);
}

void drawGlueNotes(Device& page, const Options& options, int32_t SheetsX, int32_t SheetsY, int col, int row,
                   int32_t PW, int32_t PH, int32_t AreaWidth, int32_t AreaHeight) {
  if (!sheetHasGlueNote(options, SheetsX, SheetsY, col, row)) return;
  const std::string note(kGlueNote);
  page.setFontHeight(glueNoteFontHeight(PH, AreaHeight));
  const TextSize size = page.textExtent(note);

  // Bottom strip: one line, centred over the page width and in the strip's height.
  const int32_t bottomX = (PW - size.width) / 2;
  const int32_t bottomY = std::max((PH - AreaHeight - size.height) / 2 + AreaHeight, AreaHeight);
  page.textOut(bottomX, bottomY, note);

  // Right strip: a column of characters centred in the strip's width and over the page height.
  const std::vector<std::string> chars = utf8Characters(note);
  const int32_t space = page.textExtent(" ").width;
  const int32_t rightX = std::max((PW - AreaWidth - space) / 2 + AreaWidth, AreaWidth);
  int32_t y = (PH - size.height * static_cast<int32_t>(chars.size())) / 2;
  for (const std::string& ch : chars) {
    page.textOut(rightX, y, ch);
    y += page.textExtent(ch).height;
  }
}

}  // namespace tessaro
