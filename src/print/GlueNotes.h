#pragma once
// The note printed on the glue strips of inner sheets, so nobody cuts them off.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "picture/Device.h"
#include "state/MainState.h"

namespace tessaro {

inline constexpr std::string_view kGlueNote = "Rand für Klebstoff, NICHT abschneiden";

// The UTF-8 characters of a text, one string per code point (a stray byte stands alone).
std::vector<std::string> utf8Characters(std::string_view text);

// True when sheet (col, row) carries the note: it has both glue strips and notes are asked for.
bool sheetHasGlueNote(const Options& options, int32_t SheetsX, int32_t SheetsY, int col, int row);

// Font height of the note: three tenths of the bottom strip's height.
int32_t glueNoteFontHeight(int32_t PH, int32_t AreaHeight);

// Writes the note along the bottom strip and, one character under the other, down the right
// strip of a page of PW x PH device pixels.
void drawGlueNotes(Device& page, const Options& options, int32_t SheetsX, int32_t SheetsY, int col, int row,
                   int32_t PW, int32_t PH, int32_t AreaWidth, int32_t AreaHeight);

}  // namespace tessaro
