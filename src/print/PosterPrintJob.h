#pragma once
// The poster print job: one page per printed sheet, in row or column order, optionally leaving
// out the sheets clicked out in the preview.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "picture/Dib.h"
#include "print/DotScreen.h"
#include "print/PrintService.h"
#include "state/MainState.h"

namespace tessaro {

inline constexpr const char* kPosterJobTitle = "Tessaro Poster";

enum class PrintOrder {
  Rows,     // "Zeilenweise von oben nach unten drucken"
  Columns,  // "Spaltenweise von links nach rechts drucken"
};

struct PosterPrintRequest {
  PrintOrder order = PrintOrder::Rows;
  bool skipExcluded = false;  // "Die "weggeklickten" nicht ausdrucken"
  bool sheetLabels = false;   // "Blattnummern drucken": each sheet's place on a glue strip
  bool overviewPage = false;  // "Übersichtsseite drucken": an assembly page before the sheets
  bool sheetRulers = false;   // "Prüfmaß auf jedem Blatt": a 50 mm bar on each sheet's glue strip
  // "Punkteraster": the picture as a grid of dots instead of its pixels.
  std::optional<DotSettings> dots;
};

// Progress of the job: pages handled (the overview page, sheets printed or skipped) out of
// SheetsX * SheetsY, plus one with the overview page.
using SheetProgressFn = std::function<void(int32_t position, int32_t maximum)>;

struct PosterPrintResult {
  enum class Status {
    Printed,         // the document was sent
    NothingPrinted,  // every sheet was skipped: no document was begun
    Failed,          // the printer refused to begin, to add a page or to finish
    Refused,         // the settings cannot be printed (a dot screen of too many dots): no document was begun
  };
  Status status = Status::Printed;
  int32_t pagesPrinted = 0;
  std::string message;  // for the user when the job failed or was refused
  bool ok() const { return status != Status::Failed && status != Status::Refused; }
};

// PrintBtnClick's job. The glue percentages are those of the edits at the moment of printing.
// When the printer refuses a page, the document is aborted: no part of the poster is printed.
PosterPrintResult printPoster(PrintService& printer, const TDib& picture, const PosterState& poster,
                              const Options& options, const GlueMargins& glue, const SheetGrid& SheetOff,
                              const PosterPrintRequest& request, const SheetProgressFn& progress = {});

}  // namespace tessaro
