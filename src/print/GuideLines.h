#pragma once
// Cut and glue lines of a printed sheet: 2-pixel lines along the edges of the picture area in
// alternating black and white, so they show on white paper and over the picture alike.
#include <cstdint>
#include <vector>

#include "picture/Device.h"
#include "state/MainState.h"

namespace tessaro {

// One stretch of a guide line in one colour: positions [from, to) along the line.
struct LineRun {
  int32_t from = 0;
  int32_t to = 0;
  Color color = kBlack;
  bool operator==(const LineRun&) const = default;
};

// The step counter and colour that run on from one line to the next.
struct LinePattern {
  int32_t k = 0;
  Color color = kBlack;
};

// Runs of a line of `length` positions. Cut lines (dashed false) are continuous; glue lines set
// only the first ten steps of every thirty. The pattern carries on into the next call.
std::vector<LineRun> lineRuns(int32_t length, bool dashed, LinePattern& pattern);

// Top and left cut lines of sheet (col, row).
void drawCutLines(Device& page, const Options& options, int col, int row, int32_t AreaWidth, int32_t AreaHeight);
// Bottom and right glue lines, on the last two pixel rows and columns of the picture area.
void drawGlueLines(Device& page, const Options& options, int32_t SheetsX, int32_t SheetsY, int col, int row,
                   int32_t AreaWidth, int32_t AreaHeight);

}  // namespace tessaro
