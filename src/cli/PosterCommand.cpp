#include "cli/PosterCommand.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <ostream>

#include "cli/Commands.h"
#include "cups/PrintQueue.h"
#include "layout/PosterSetup.h"
#include "layout/SheetEdits.h"
#include "pdf/PdfPrintService.h"
#include "print/PaperSizes.h"

namespace tessaro::cli {

namespace {

struct Paper {
  PageMetrics metrics;
  std::string media;  // for the printer
};

std::optional<Paper> choosePaper(const PosterJob& job, std::ostream& err, int& code) {
  const PaperSize* named = job.paper.empty() ? nullptr : findPaper(job.paper);
  if (job.printer.empty()) return Paper{paperMetrics(named ? *named : *findPaper("A4"), job.dpi ? job.dpi : 600), {}};
  std::string why;
  const std::string media = named ? std::string(named->mediaName) : job.paper;
  const auto queue = cups::queuePaper(job.printer, media, job.dpi, why);
  if (!queue) {
    code = fail(err, kExitCannotPrint, why);
    return std::nullopt;
  }
  return Paper{queue->metrics, queue->media};
}

// A file of our own for the job to the printer, removed whatever happens.
class TemporaryPdf {
 public:
  TemporaryPdf() {
    const char* dir = ::getenv("TMPDIR");
    std::string name = std::string(dir && *dir ? dir : "/tmp") + "/tessaro-poster-XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd >= 0) {
      ::close(fd);
      name_ = name;
    }
  }
  ~TemporaryPdf() {
    if (!name_.empty()) ::unlink(name_.c_str());
  }
  TemporaryPdf(const TemporaryPdf&) = delete;
  TemporaryPdf& operator=(const TemporaryPdf&) = delete;
  const std::string& name() const { return name_; }

 private:
  std::string name_;
};

std::string sheetsText(int32_t n) { return n == 1 ? "1 Blatt" : std::to_string(n) + " Blätter"; }

void describe(std::ostream& out, const PosterSetup& setup) {
  out << "Poster: " << setup.poster.SheetsX << " x " << setup.poster.SheetsY << " Blätter ("
      << floatText(floatValue(setup.breitText, kSheetFormat), kSheetFormat) << " x "
      << floatText(floatValue(setup.hochText, kSheetFormat), kSheetFormat) << "), " << formatPosterSize(setup.size)
      << ", " << formatPosterDpi(setup.size) << (setup.size.coarse() ? " (unter 100 dpi wirkt der Druck grob)" : "")
      << '\n';
}

}  // namespace

int runPoster(const CommandLine& line, std::ostream& out, std::ostream& err) {
  const PosterJob& job = line.poster;
  int code = kExitOk;
  // Everything that can be checked without reading the picture first.
  const std::optional<Paper> paper = choosePaper(job, err, code);
  if (!paper) return code;
  const TDib picture = load(line.input, err, code);
  if (picture.empty()) return code;
  const PosterSetup setup = setUpPoster(picture, paper->metrics, job.options, job.glue, job.size);
  if (!setup.ok()) return fail(err, kExitUnknown, setup.error);

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

  TemporaryPdf spool;
  const std::string file = job.printer.empty() ? job.output : spool.name();
  if (file.empty()) return fail(err, kExitCannotPrint, "Für den Druckauftrag ließ sich keine Datei anlegen.");
  PdfPrintService pdf(file, paper->metrics);
  const PosterPrintResult result = printPoster(pdf, picture, setup.poster, job.options, job.glue, off, request);
  if (result.status == PosterPrintResult::Status::NothingPrinted)
    return fail(err, kExitUnknown, "Alle Blätter sind ausgelassen; es gibt nichts zu drucken.");
  if (!result.ok()) {
    const std::string target = job.printer.empty() ? "„" + file + "“: " : "Druckdatei: ";
    return fail(err, job.printer.empty() ? kExitCannotWrite : kExitCannotPrint, target + result.message);
  }
  describe(out, setup);
  if (job.printer.empty()) {
    out << sheetsText(result.pagesPrinted) << " in „" << file << "“ gespeichert.\n";
    return kExitOk;
  }
  std::string why;
  const int id = cups::printFile(job.printer, file, kPosterJobTitle, paper->media, why);
  if (id == 0) return fail(err, kExitCannotPrint, why);
  out << sheetsText(result.pagesPrinted) << " an " << job.printer << " gesendet (Auftrag " << id << ").\n";
  return kExitOk;
}

}  // namespace tessaro::cli
