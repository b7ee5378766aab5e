#include "cli/PosterCommand.h"

#include <ostream>

#include "cli/Commands.h"
#include "cli/PrintTarget.h"
#include "layout/PosterSetup.h"
#include "layout/SheetEdits.h"
#include "vector/VectorPicture.h"

namespace tessaro::cli {

namespace {

// A vector page prints sharp at any size: its stand-in's resolution is no print's; nor is the
// picture's that of a dot poster, whose dots are vectors.
void describe(std::ostream& out, const PosterSetup& setup, bool vectorPage, const std::optional<DotSettings>& dots) {
  out << "Poster: " << setup.poster.SheetsX << " x " << setup.poster.SheetsY << " Blätter ("
      << floatText(floatValue(setup.breitText, kSheetFormat), kSheetFormat) << " x "
      << floatText(floatValue(setup.hochText, kSheetFormat), kSheetFormat) << "), " << formatPosterSize(setup.size)
      << ", ";
  if (dots)
    out << "Punkteraster " << dots->cellMm << " mm\n";
  else if (vectorPage)
    out << "Vektoren\n";
  else
    out << formatPosterDpi(setup.size) << (setup.size.coarse() ? " (unter 100 dpi wirkt der Druck grob)" : "") << '\n';
}

}  // namespace

int runPoster(const CommandLine& line, std::ostream& out, std::ostream& err) {
  const PosterJob& job = line.poster;
  int code = kExitOk;
  // Everything that can be checked without reading the picture first.
  const PrintTarget target{job.output, job.printer, job.paper, job.dpi, !job.noCalibration};
  const std::optional<Paper> paper = choosePaper(target, err, code);
  if (!paper) return code;
  // The picture goes on unchanged into our PDF, for a file or a printer alike.
  // Dots are sampled from the pixels, which must then be decoded.
  const TDib picture = load(line, err, code, !job.dots);
  if (picture.empty()) return code;
  // A vector page is drawn to be printed at its size: the poster starts there.
  PosterSizeRequest size = job.size;
  if (size.kind == PosterSizeKind::Default && isVectorPage(picture)) size = {PosterSizeKind::Physical, "100"};
  const PosterSetup setup = setUpPoster(picture, paper->metrics, job.options, job.glue, size);
  if (!setup.ok()) return fail(err, setup.lacksResolution ? kExitBadInput : kExitUnknown, setup.error);

  SheetGrid off;
  for (const auto& [col, row] : job.skip) {
    if (col > setup.poster.SheetsX || row > setup.poster.SheetsY)
      return fail(err, kExitUnknown,
                  "Das Blatt " + std::to_string(col) + "," + std::to_string(row) + " gibt es nicht; das Poster hat " +
                      std::to_string(setup.poster.SheetsX) + " x " + std::to_string(setup.poster.SheetsY) +
                      " Blätter.");
    if (!off.off(col - 1, row - 1)) off.toggle(col - 1, row - 1);
  }
  PosterPrintRequest request;
  request.order = job.order;
  request.skipExcluded = !job.skip.empty();
  request.sheetLabels = job.labels;
  request.overviewPage = job.overview;
  request.sheetRulers = job.ruler;
  request.dots = job.dots;

  return deliver(
      target, *paper,
      [&](PrintService& p) { return printPoster(p, picture, setup.poster, job.options, job.glue, off, request); },
      [&](std::ostream& o) { describe(o, setup, isVectorPage(picture), job.dots); }, out, err);
}

}  // namespace tessaro::cli
