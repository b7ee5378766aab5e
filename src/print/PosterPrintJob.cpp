#include "print/PosterPrintJob.h"

#include <algorithm>

#include "print/GlueNotes.h"
#include "print/GuideLines.h"
#include "print/OverviewPage.h"
#include "print/PosterPrintSize.h"
#include "print/SheetBand.h"
#include "print/SheetLabels.h"
#include "print/SheetRuler.h"

namespace tessaro {

namespace {

// State of one job, shared by the steps that print its sheets.
class PosterJob {
 public:
  PosterJob(PrintService& printer, const TDib& picture, const PosterState& poster, const Options& options,
            const GlueMargins& glue, const DotScreen* dots)
      : printer_(printer), picture_(picture), poster_(poster), options_(options), glue_(glue), dots_(dots) {
    const PageMetrics m = printer.metrics();
    pw_ = m.pageWidth;
    ph_ = m.pageHeight;
    areaWidth_ = areaWidth(pw_, options, glue);
    areaHeight_ = areaHeight(ph_, options, glue);
    layout_ = posterLayout(picture, poster);
  }

  // PrintSheet: opens the document or a new page and renders the sheet; false when the printer
  // refused.
  bool printSheet(int col, int row, bool label, bool ruler) {
    if (!openPage()) return false;
    Device& page = printer_.page();
    const DeviceRect area{0, 0, areaWidth_, areaHeight_};
    const SheetBand band = sheetBand(layout_, options_, glue_, col, row, area, true);
    if (dots_)
      drawDotBand(page, *dots_, band, layout_.W, layout_.H);
    else
      drawBand(page, picture_, band, true);
    drawCutLines(page, options_, col, row, areaWidth_, areaHeight_);
    drawGlueLines(page, options_, poster_.SheetsX, poster_.SheetsY, col, row, areaWidth_, areaHeight_);
    drawGlueNotes(page, options_, poster_.SheetsX, poster_.SheetsY, col, row, pw_, ph_, areaWidth_, areaHeight_);
    const SheetPage sheet{poster_.SheetsX, poster_.SheetsY, col, row, pw_, ph_, areaWidth_, areaHeight_};
    if (label) drawSheetLabel(page, sheet, options_);
    if (ruler) {
      const PageMetrics m = printer_.metrics();
      drawSheetRuler(page, sheet, options_, m.dpiX, m.dpiY, label);
    }
    return true;
  }

  bool printOverview(const SheetGrid& skipped) {
    if (!openPage()) return false;
    drawOverviewPage(printer_.page(), printer_.metrics(), picture_, poster_, options_, glue_, skipped, dots_);
    return true;
  }

  bool docOpen() const { return docOpen_; }
  int32_t pages() const { return pages_; }
  const std::string& failure() const { return failure_; }

 private:
  bool openPage() {
    if (!docOpen_) {
      if (!printer_.beginDoc()) {
        failure_ = failureText(printer_, "Der Druckauftrag konnte nicht begonnen werden.");
        return false;
      }
      docOpen_ = true;
    } else if (!printer_.newPage()) {
      failure_ = failureText(printer_, "Der Drucker konnte keine neue Seite beginnen.");
      return false;
    }
    ++pages_;
    return true;
  }

  PrintService& printer_;
  const TDib& picture_;
  const PosterState& poster_;
  const Options& options_;
  GlueMargins glue_;
  const DotScreen* dots_;  // null: the picture's pixels
  PosterLayout layout_;
  int32_t pw_ = 0, ph_ = 0;
  int32_t areaWidth_ = 0, areaHeight_ = 0;
  bool docOpen_ = false;
  int32_t pages_ = 0;
  std::string failure_;
};

// The dot screen over the picture as this printer prints it; not ok() with the reason when the
// settings make no screen.
DotScreen dotScreenFor(const PageMetrics& m, const TDib& picture, const PosterState& poster, const Options& options,
                       const GlueMargins& glue, const DotSettings& settings) {
  const PosterLayout layout = posterLayout(picture, poster);
  const PosterPrintSize size = posterPrintSize(m, layout, options, glue);
  if (!size.valid || layout.W <= 0 || layout.H <= 0) return {};
  return DotScreen::make(picture, settings, static_cast<double>(size.widthCm) * 10 / layout.W,
                         static_cast<double>(size.heightCm) * 10 / layout.H);
}

}  // namespace

PosterPrintResult printPoster(PrintService& printer, const TDib& picture, const PosterState& poster,
                              const Options& options, const GlueMargins& glue, const SheetGrid& SheetOff,
                              const PosterPrintRequest& request, const SheetProgressFn& progress) {
  // The grid holds at most kMaxSheets in each direction; never visit beyond it.
  const int32_t nx = std::clamp(poster.SheetsX, 0, kMaxSheets);
  const int32_t ny = std::clamp(poster.SheetsY, 0, kMaxSheets);
  const int32_t maximum = nx * ny + (request.overviewPage ? 1 : 0);
  auto report = [&](int32_t position) {
    if (progress) progress(position, maximum);
  };
  report(0);

  PosterPrintResult result;
  // Sampled once for all sheets; a screen that cannot be made stops the job before any page.
  DotScreen dots;
  if (request.dots) {
    dots = dotScreenFor(printer.metrics(), picture, poster, options, glue, *request.dots);
    if (!dots.ok()) {
      result.status = PosterPrintResult::Status::Refused;
      result.message =
          dots.message().empty() ? "Das Punkteraster braucht ein Bild und eine Postergröße." : dots.message();
      return result;
    }
  }
  PosterJob job(printer, picture, poster, options, glue, request.dots ? &dots : nullptr);
  printer.setTitle(kPosterJobTitle);

  // A poster with pages missing is of no use: drop what was made so far instead of printing it.
  // The progress stays where the job stopped.
  auto fail = [&] {
    if (job.docOpen()) printer.abortDoc();
    result.status = PosterPrintResult::Status::Failed;
    result.pagesPrinted = job.pages();
    result.message = job.failure();
    return result;
  };
  auto printed = [&](int col, int row) { return !request.skipExcluded || !SheetOff.off(col, row); };
  SheetGrid skipped;
  bool anyPrinted = false;
  for (int col = 0; col < nx; ++col)
    for (int row = 0; row < ny; ++row) {
      if (printed(col, row))
        anyPrinted = true;
      else
        skipped.toggle(col, row);
    }

  int32_t handled = 0;
  // Alone it would be no poster: the overview comes only with at least one sheet.
  if (request.overviewPage) {
    if (anyPrinted && !job.printOverview(skipped)) return fail();
    report(++handled);
  }
  const bool byRows = request.order == PrintOrder::Rows;
  const int outer = byRows ? ny : nx;
  const int inner = byRows ? nx : ny;
  for (int a = 0; a < outer; ++a) {
    for (int b = 0; b < inner; ++b) {
      const int col = byRows ? b : a;
      const int row = byRows ? a : b;
      if (printed(col, row) && !job.printSheet(col, row, request.sheetLabels, request.sheetRulers)) return fail();
      report(++handled);
    }
  }

  result.pagesPrinted = job.pages();
  if (!job.docOpen()) {
    result.status = PosterPrintResult::Status::NothingPrinted;
  } else if (!printer.endDoc()) {
    result.status = PosterPrintResult::Status::Failed;
    result.message = failureText(printer, "Der Druckauftrag konnte nicht abgeschlossen werden.");
  }
  report(0);
  return result;
}

}  // namespace tessaro
