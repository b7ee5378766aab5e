#include "print/GuideLines.h"

namespace tessaro {

namespace {

constexpr int32_t kPatternSteps = 30;  // the colour switches every 30 steps
constexpr int32_t kDashSteps = 10;     // glue lines show the first 10 of them

Color otherColor(Color c) { return c == kBlack ? kWhite : kBlack; }

enum class Axis { Horizontal, Vertical };

// A line 2 pixels thick: positions run along `axis`, `across` is the first of the two pixel
// rows (or columns) it covers.
void drawLine(Device& page, Axis axis, int32_t across, int32_t length, bool dashed, LinePattern& pattern) {
  for (const LineRun& run : lineRuns(length, dashed, pattern)) {
    if (axis == Axis::Horizontal) {
      page.fillRect(run.from, across, run.to, across + 2, run.color);
    } else {
      page.fillRect(across, run.from, across + 2, run.to, run.color);
    }
  }
}

}  // namespace

std::vector<LineRun> lineRuns(int32_t length, bool dashed, LinePattern& pattern) {
  std::vector<LineRun> runs;
  for (int32_t pos = 0; pos < length; ++pos) {
    if (++pattern.k == kPatternSteps) {
      pattern.k = 0;
      pattern.color = otherColor(pattern.color);
    }
    if (dashed && pattern.k >= kDashSteps) continue;
    if (!runs.empty() && runs.back().to == pos && runs.back().color == pattern.color) {
      runs.back().to = pos + 1;
    } else {
      runs.push_back({pos, pos + 1, pattern.color});
    }
  }
  return runs;
}

void drawCutLines(Device& page, const Options& options, int col, int row, int32_t AreaWidth, int32_t AreaHeight) {
  if (!options.OptCutLines) return;
  // Shared by both lines: the left one carries on where the top one stopped.
  LinePattern pattern;
  if (!options.OptNoEdgeLines || row > 0) drawLine(page, Axis::Horizontal, 0, AreaWidth, false, pattern);
  if (!options.OptNoEdgeLines || col > 0) drawLine(page, Axis::Vertical, 0, AreaHeight, false, pattern);
}

void drawGlueLines(Device& page, const Options& options, int32_t SheetsX, int32_t SheetsY, int col, int row,
                   int32_t AreaWidth, int32_t AreaHeight) {
  if (!options.OptGlueLines) return;
  const bool skipOuterEdge = options.OptNoEdgeLines || options.OptNoEdgeGlue;
  LinePattern pattern;
  if (!(skipOuterEdge && row == SheetsY - 1)) {
    drawLine(page, Axis::Horizontal, AreaHeight - 2, AreaWidth, true, pattern);
  }
  if (!(skipOuterEdge && col == SheetsX - 1)) {
    drawLine(page, Axis::Vertical, AreaWidth - 2, AreaHeight, true, pattern);
  }
}

}  // namespace tessaro
